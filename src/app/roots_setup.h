#pragma once
// Which named roots the program creates and where they point, the roots file and the per-user settings file.
//
// The first roots come from the module stage (CModuleDirRootLoader, before the application starts); THEME, LOG,
// the roots file, the roots' directories and the settings file from the application's start-up. Main thread.
#include <wx/string.h>

class CStandardDirs;

// The file name of both the roots file and the user settings file.
extern const char* const kRootsFileName;

// The directory a standard directory stands for: one ending in the application name becomes "varnek" beside
// it, one ending in "." and the name ".varnek"; any other stays as it is. With `create` a missing directory is
// made (one level) and "" is returned when it still does not exist.
wxString DeriveDir(const wxString& dir, const wxString& appName, bool create);
// MAINCFG's variant: "varnek" beside it only when that exists, else the directory above; nothing is created.
wxString DeriveMainConfigDir(const wxString& dir, const wxString& appName);
// "varnek<process id>": the per-process temporary directory inside dirs.GetTempDir().
wxString TempDirName(const CStandardDirs& dirs);

// Module stage: RUN, MAINCFG, ALLUSERCFG, USERCFG, USERDOC and TMP (an optional one only when its directory
// exists or can be made). Never replaces a root that is already there.
void RegisterFirstRoots(const CStandardDirs& dirs);
// Module exit: removes the per-process temporary directory with everything in it.
void RemoveTempDir(const CStandardDirs& dirs);

// Start-up: THEME and LOG below RUN (without replacing), then the roots file from MAINCFG, else from the
// executable's directory, else from RUN. True when a roots file was found.
bool SetUpStartupRoots(const CStandardDirs& dirs);
// Start-up: the settings file in the per-user directory as the global configuration object (replacing and
// deleting any previous one). False, with nothing installed, when that directory cannot be made.
bool InstallUserSettings(const CStandardDirs& dirs);
