#include "app/standard_dirs.h"

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

namespace
{
CStandardDirs*& Installed()
{
    static CStandardDirs* dirs = nullptr;
    return dirs;
}
}  // namespace

wxString CStandardDirs::GetConfigDir() const
{
    // Windows names the application in this directory already; Unix gives the shared /etc.
    const wxString dir = wxStandardPaths::Get().GetConfigDir();
    const wxString name = GetAppName();
    if (dir.AfterLast(wxFILE_SEP_PATH) == name)
        return dir;
    return dir + wxFILE_SEP_PATH + name;
}

wxString CStandardDirs::GetUserDataDir() const
{
    return wxStandardPaths::Get().GetUserDataDir();
}

wxString CStandardDirs::GetDocumentsDir() const
{
    return wxStandardPaths::Get().GetDocumentsDir();
}

wxString CStandardDirs::GetExecutablePath() const
{
    return wxStandardPaths::Get().GetExecutablePath();
}

wxString CStandardDirs::GetTempDir() const
{
    for (const char* variable : {"TMPDIR", "TMP", "TEMP"})
    {
        wxString value;
        if (wxGetEnv(variable, &value) && !value.empty())
            return value;
    }
    const wxString system = wxFileName::GetTempDir();
    return system.empty() ? wxString(".") : system;
}

wxString CStandardDirs::GetWorkingDir() const
{
    return wxGetCwd();
}

wxString CStandardDirs::GetAppName() const
{
    // The window-less paths run under a console application object, which is not a wxApp.
    const wxAppConsole* app = wxAppConsole::GetInstance();
    return app ? app->GetAppName() : wxString();
}

unsigned long CStandardDirs::GetProcessId() const
{
    return wxGetProcessId();
}

const CStandardDirs& CStandardDirs::Get()
{
    static CStandardDirs builtIn;
    return Installed() ? *Installed() : builtIn;
}

CStandardDirs* CStandardDirs::Set(CStandardDirs* dirs)
{
    CStandardDirs* previous = Installed();
    Installed() = dirs;
    return previous;
}
