#pragma once
// How storage tells the operator about an outcome that needs a look (a project file that cannot be loaded, the
// result of a compile). The main window installs a message box; tests and the window-less command line install
// their own. Without one, the text goes to the log.
//
// Thread contract: GUI thread only.
#include <functional>

#include <wx/string.h>

enum class ReportKind
{
    Error,        // something failed: message box with the error icon
    Information,  // an outcome to acknowledge: message box with an OK button
};

using UserReportFunction = std::function<void(ReportKind kind, const wxString& text)>;

// Installs the function and returns the one it replaces (empty: the log).
UserReportFunction SetUserReport(UserReportFunction report);
void ReportToUser(ReportKind kind, const wxString& text);
