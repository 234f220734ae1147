#include "app/app_events.h"

wxDEFINE_EVENT(EVT_RELOAD_FRAME, wxCommandEvent);
wxDEFINE_EVENT(EVT_TOGGLE_CONSOLE, wxCommandEvent);

void QueueReloadRequest(wxEvtHandler* app)
{
    if (app)
        wxQueueEvent(app, new wxCommandEvent(EVT_RELOAD_FRAME));
}

void QueueConsoleRequest(bool open, wxEvtHandler* app)
{
    if (!app)
        return;
    wxCommandEvent* event = new wxCommandEvent(EVT_TOGGLE_CONSOLE);
    event->SetInt(open ? 1 : 0);
    wxQueueEvent(app, event);
}
