#pragma once
// CApp: the application object of the windowed program. It runs the start-up sequence (names, command line,
// locale, roots, log, settings, socket layer, image formats, host list, main window), ends start-up cleanly
// when a step fails, releases everything in a fixed order at exit, and serves the two program-wide requests
// of app_events.h (Reload and the debugging console).
//
// The command line has already been parsed by main before the toolkit started (so that the runs without a
// window never need a display); CApp receives the result and handles the rest of it. GUI thread only.
#include <wx/app.h>

#include "app/command_line.h"

class CHostList;
class CThreadLogger;

class CApp : public wxApp
{
public:
    explicit CApp(const CCommandLine& commandLine);

    bool OnInit() override;
    int OnExit() override;

    const wxString& GetSource() const { return m_source; }
    bool IsConsoleOpen() const { return m_consoleOpen; }

private:
    bool HandleCommandLine();
    void InstallLog();
    bool SetUpRoots();
    wxString GetLogRootPath() const;
    bool OpenUserSettings();
    void CreateHostList();
    void DeleteHostList();
    bool CreateMainWindow();
    bool FailStartup();

    void OnReloadFrame(wxCommandEvent& event);
    void OnToggleConsole(wxCommandEvent& event);

    CCommandLine m_commandLine;
    wxString m_source;
    CThreadLogger* m_log = nullptr;  // owned by the toolkit once installed
    bool m_consoleOpen = false;
    bool m_socketsStarted = false;
    CHostList* m_hostList = nullptr;  // the process-wide host table when this object made it
};
