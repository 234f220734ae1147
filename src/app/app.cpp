#include "app/app.h"

#include <clocale>

#include <wx/config.h>
#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/msgdlg.h>

#include "app/app_events.h"
#include "app/roots_setup.h"
#include "app/standard_dirs.h"
#include "app/thread_logger.h"
#include "links/host_list.h"
#include "platform/debug_console.h"
#include "platform/socket_layer.h"
#include "storage/path_text.h"
#include "storage/roots.h"

namespace
{
const char kAppName[] = "VARNEK Orvanta Panel";
const char kLogFileName[] = "varnekorvpanel.log";
constexpr long kDefaultLogLimit = 2048;

// Deleting a log target does not show what it still holds: flush first, so that messages waiting in the
// toolkit's default target (errors of the command line) reach the user.
void FlushAndDelete(wxLog* target)
{
    if (target)
        target->Flush();
    delete target;
}
}  // namespace

CApp::CApp(const CCommandLine& commandLine) : m_commandLine(commandLine)
{
    Bind(EVT_RELOAD_FRAME, &CApp::OnReloadFrame, this);
    Bind(EVT_TOGGLE_CONSOLE, &CApp::OnToggleConsole, this);
}

bool CApp::OnInit()
{
    SetVendorName("VARNEK");
    SetAppName(kAppName);
    CThreadLogger::SetVerbosity(wxLOG_Info);
    if (!HandleCommandLine())
        return FailStartup();
    std::setlocale(LC_NUMERIC, "C");  // numbers are written and read with a point, whatever the user's locale
    if (!SetUpRoots())
        return FailStartup();
    InstallLog();
    if (m_source.empty())
    {
        wxMessageBox("Missing application file or directory", kAppName, wxOK | wxICON_ERROR);
        return FailStartup();
    }
    if (!OpenUserSettings())
        return FailStartup();
    m_socketsStarted = StartSocketLayer();
    if (!m_socketsStarted)
        return FailStartup();
    wxInitAllImageHandlers();
    CreateHostList();
    if (!CreateMainWindow())
        return FailStartup();
    return true;
}

// The part of the command line that is left for the windowed start-up: its errors reach the toolkit's default
// log target (shown when the program's log replaces it), then the verbosity and the source take effect.
bool CApp::HandleCommandLine()
{
    for (const wxString& error : m_commandLine.errors)
        wxLogError("%s", error);
    if (m_commandLine.EndsWithoutWindow())
        return false;
    CThreadLogger::SetVerbosity(m_commandLine.verbosity);
    m_source = m_commandLine.source;
    if (m_commandLine.toolkitVerbose)
        wxLog::SetVerbose(true);
    return true;
}

// The log goes to standard error and to a file: the one given with --logfile, else "varnekorvpanel.log" in the
// LOG root when that directory exists. --logfile-size sets the file's size limit for this start (default 2048).
void CApp::InstallLog()
{
    m_log = new CThreadLogger(stderr, stderr, wxString());
    wxString file = m_commandLine.logFile;
    if (file.empty())
    {
        const wxString logRoot = GetLogRootPath();
        if (!logRoot.empty() && wxDirExists(logRoot))
            file = logRoot + "/" + kLogFileName;
    }
    const long limit = file.empty()                     ? -1
                       : m_commandLine.logFileSizeGiven ? m_commandLine.logFileSize
                                                        : kDefaultLogLimit;
    const bool opened = m_log->OpenLogFile(stderr, stderr, file, limit);
    FlushAndDelete(wxLog::SetActiveTarget(m_log));
    if (!opened && !m_commandLine.logFile.empty())
        wxLogError("Can not open the log file '%s'; logging to standard error only", file);
}

// Start-up steps 5 to 7: the THEME and LOG roots, the roots file and the roots' directories. A directory that
// cannot be made is logged and start-up goes on.
bool CApp::SetUpRoots()
{
    SetUpStartupRoots(CStandardDirs::Get());
    CreateRootDirs();
    return true;
}

// The LOG root's directory; empty when the root is missing or names a URI.
wxString CApp::GetLogRootPath() const
{
    const wxString path = GetRootPath("LOG");
    return IsUriPath(path) ? wxString() : path;
}

// Start-up step 10: the per-user settings file as the global configuration object. When its directory cannot be
// made, the toolkit's default configuration (created on demand) serves instead.
bool CApp::OpenUserSettings()
{
    InstallUserSettings(CStandardDirs::Get());
    return true;
}

// Start-up step 13: the process-wide host table, unless one exists already.
void CApp::CreateHostList()
{
    if (!CHostList::Get())
        m_hostList = new CHostList;
}

// Stops every host and deletes the table made at start-up.
void CApp::DeleteHostList()
{
    delete m_hostList;
    m_hostList = nullptr;
}

// Start-up step 14: create the main window, load the source into it and show it; false when that fails (any
// window made is closed). The panel window is not part of this build yet, so start-up ends here, saying why.
bool CApp::CreateMainWindow()
{
    wxLogError("The panel window is not available in this build; '%s' can not be opened", m_source);
    return false;
}

bool CApp::FailStartup()
{
    wxConfigBase::DontCreateOnDemand();
    delete wxConfigBase::Set(nullptr);
    DeleteHostList();
    FlushAndDelete(wxLog::SetActiveTarget(nullptr));
    m_log = nullptr;
    if (m_socketsStarted)
        StopSocketLayer();
    m_socketsStarted = false;
    return false;
}

int CApp::OnExit()
{
    if (m_consoleOpen)
        CloseDebugConsole();
    m_consoleOpen = false;
    DeleteHostList();
    FlushAndDelete(wxLog::SetActiveTarget(nullptr));
    if (m_socketsStarted)
        StopSocketLayer();
    m_socketsStarted = false;
    m_log = nullptr;
    return wxApp::OnExit();
}

void CApp::OnReloadFrame(wxCommandEvent&)
{
    SetExitOnFrameDelete(false);
    if (wxWindow* top = GetTopWindow())
        delete top;  // its destructor shuts its content down: hosts stopped, panels and styles destroyed
    SetExitOnFrameDelete(true);
    // A window that cannot load is closed by CreateMainWindow; without a main window the program ends.
    if (!CreateMainWindow())
        ExitMainLoop();
}

void CApp::OnToggleConsole(wxCommandEvent& event)
{
    if (event.GetInt() == 0 || m_consoleOpen)
    {
        CloseDebugConsole();
        m_consoleOpen = false;
        return;
    }
    m_consoleOpen = OpenDebugConsole([this] { QueueConsoleRequest(false, this); });
}
