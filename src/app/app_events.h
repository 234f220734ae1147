#pragma once
// The two program-wide requests that windows make to the application object. Both are always queued, never
// handled on the spot: Reload deletes the main window, which must not happen while one of that window's own
// handlers is still running.
#include <wx/app.h>
#include <wx/event.h>

// Replace the main window by a freshly loaded one from the same source.
wxDECLARE_EVENT(EVT_RELOAD_FRAME, wxCommandEvent);
// Open (integer 1) or close (integer 0) the debugging console; opening an open console closes it.
wxDECLARE_EVENT(EVT_TOGGLE_CONSOLE, wxCommandEvent);

// Queues a Reload request to the application object. Any thread.
void QueueReloadRequest(wxEvtHandler* app = wxAppConsole::GetInstance());
// Queues a request to open or close the debugging console. Any thread.
void QueueConsoleRequest(bool open, wxEvtHandler* app = wxAppConsole::GetInstance());
