#pragma once
// CStandardDirs: where the roots module takes its directories from (the toolkit's standard paths, the working
// directory, the temporary directory, the application name in effect). Tests install their own through Set.
//
// Thread contract: main thread, during start-up and exit.
#include <wx/string.h>

class CStandardDirs
{
public:
    virtual ~CStandardDirs() = default;

    // The machine-wide configuration directory of this application (Windows: all-users application data plus
    // the application name; Linux: /etc plus the application name).
    virtual wxString GetConfigDir() const;
    // The per-user data directory (Windows: roaming application data plus the name; Linux: ~/.<name>).
    virtual wxString GetUserDataDir() const;
    virtual wxString GetDocumentsDir() const;
    virtual wxString GetExecutablePath() const;
    // TMPDIR, TMP or TEMP, else the system's temporary directory, else ".".
    virtual wxString GetTempDir() const;
    virtual wxString GetWorkingDir() const;
    // The application name in effect now: the executable's base name until the application sets its own.
    virtual wxString GetAppName() const;
    virtual unsigned long GetProcessId() const;

    // The installed one (the toolkit's own until a test installs another); Set returns the previous one, which
    // the caller owns again (null for the built-in one).
    static const CStandardDirs& Get();
    static CStandardDirs* Set(CStandardDirs* dirs);
};
