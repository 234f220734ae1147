#pragma once
// Association of the package file type (extension "darevirudu") with this program for the current user, so
// that opening a package in the desktop's file manager starts the program with the package as its source.
// Only per-user settings are touched: no administrator rights are needed.
//
// Windows: the per-user class keys of the registry. Linux: the XDG equivalent under $XDG_DATA_HOME and
// $XDG_CONFIG_HOME (MIME type, desktop entry, icon, default application).
#include <wx/string.h>

// Associates the file type with the program at exePath (absolute) and tells the desktop. Writing again replaces
// what an earlier registration wrote (a moved program gets its new path). False when any part could not be
// written; each failure is logged and the remaining parts are still written.
bool RegisterFileType(const wxString& exePath);

// Removes the association. When nothing is registered it does nothing and logs nothing. False when a part
// could not be removed (logged).
bool UnregisterFileType();
