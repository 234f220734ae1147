#pragma once
// Path texts of the directory tree. Callers may write paths with '/' or '\'; inside the tree every path uses '/'
// and single separators, and paths handed to the operating system use its own separator.
#include <wx/string.h>

// '\' turned into '/', runs of separators collapsed to one.
wxString ToInternalPath(const wxString& path);
// '/' turned into the platform's separator.
wxString ToNativePath(const wxString& path);
// The platform's path separator as a character.
wxChar NativeSeparator();
// True for texts such as "https://host/x" that name a resource by URI scheme rather than a directory.
bool IsUriPath(const wxString& path);
