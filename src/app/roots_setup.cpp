#include "app/roots_setup.h"

#include <wx/config.h>
#include <wx/convauto.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/log.h>

#include "app/standard_dirs.h"
#include "storage/dir.h"
#include "storage/roots.h"

const char* const kRootsFileName = "varnekorvpanel.conf";

namespace
{
const char kShortName[] = "varnek";

// Splits a directory into the text before its last '/' (empty when there is none, or it is the first character)
// and the text after it.
void SplitLast(const wxString& dir, wxString& parent, wxString& last)
{
    const int slash = dir.Find('/', true);
    last = slash == wxNOT_FOUND ? dir : dir.Mid(slash + 1);
    parent = slash == wxNOT_FOUND || slash == 0 ? wxString() : dir.Left(slash);
}

void RegisterIfSet(const char* name, const wxString& path)
{
    if (!path.empty())
        RegisterRoot(name, path, false);
}
}  // namespace

wxString DeriveDir(const wxString& dir, const wxString& appName, bool create)
{
    wxString result(dir);
    result.Replace("\\", "/");
    wxString parent, last;
    SplitLast(result, parent, last);
    if (last == appName)
        result = parent + "/" + kShortName;
    else if (last == "." + appName)
        result = parent + "/." + kShortName;
    if (!create)
        return result;
    if (!wxDirExists(result))
    {
        wxLogNull quiet;  // a directory that cannot be made only leaves its root out
        wxMkdir(result);
    }
    return wxDirExists(result) ? result : wxString();
}

wxString DeriveMainConfigDir(const wxString& dir, const wxString& appName)
{
    wxString result(dir);
    result.Replace("\\", "/");
    wxString parent, last;
    SplitLast(result, parent, last);
    if (last != appName)
        return result;
    const wxString shortDir = parent + "/" + kShortName;
    return wxDirExists(shortDir) ? shortDir : parent;
}

wxString TempDirName(const CStandardDirs& dirs)
{
    return wxString::Format("%s%lu", kShortName, dirs.GetProcessId());
}

void RegisterFirstRoots(const CStandardDirs& dirs)
{
    const wxString app = dirs.GetAppName();
    RegisterRoot("RUN", dirs.GetWorkingDir(), false);
    RegisterRoot("MAINCFG", DeriveMainConfigDir(dirs.GetConfigDir(), app), false);
    RegisterIfSet("ALLUSERCFG", DeriveDir(dirs.GetConfigDir(), app, true));
    RegisterIfSet("USERCFG", DeriveDir(dirs.GetUserDataDir(), app, true));
    RegisterIfSet("USERDOC", DeriveDir(dirs.GetDocumentsDir(), app, true));
    const CDir temp(dirs.GetTempDir());
    const wxString name = TempDirName(dirs);
    CDir own = temp.GetDir(name);
    if (!own.IsValid())
    {
        wxLogNull quiet;
        own = temp.MakeDir(name, false, 0, false, true);
    }
    if (own.IsOk())
        RegisterRoot("TMP", own.GetPath(), false);
}

void RemoveTempDir(const CStandardDirs& dirs)
{
    CDir(dirs.GetTempDir()).Remove(TempDirName(dirs));
}

bool SetUpStartupRoots(const CStandardDirs& dirs)
{
    const wxString run = GetRootPath("RUN");
    RegisterRoot("THEME", run + "/themes", false);
    RegisterRoot("LOG", run + "/log", false);
    wxString executableDir = dirs.GetExecutablePath();
    executableDir.Replace("\\", "/");
    executableDir = executableDir.BeforeLast('/');
    for (const CDir& place : {GetRoot("MAINCFG"), CDir(executableDir), GetRoot("RUN")})
    {
        if (!place.IsValid() || !place.FileExists(kRootsFileName))
            continue;
        CFile file = place.OpenFile(kRootsFileName);
        LoadRootDefinitions(file);
        return true;
    }
    return false;
}

bool InstallUserSettings(const CStandardDirs& dirs)
{
    const wxString dir = DeriveDir(dirs.GetUserDataDir(), dirs.GetAppName(), true);
    if (dir.empty())
        return false;
    auto* config = new wxFileConfig(wxString(), wxString(), dir + "/" + kRootsFileName, wxString(),
                                    wxCONFIG_USE_LOCAL_FILE, wxConvAuto());
    delete wxConfigBase::Set(config);
    return true;
}
