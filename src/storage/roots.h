#pragma once
// The process-wide table of named roots: upper-case names (THEME, USERCFG, ...) bound to directory paths, or to
// URIs that are kept as text and never treated as directories.
//
// Thread contract: filled on the main thread during start-up, only read afterwards; no lock of its own.
#include <vector>

#include <wx/string.h>

class CDir;
class CFile;

// Binds `name` (upper-cased) to `path`. An existing binding is kept unless `overwrite`; that is logged as
// "dupplicate root ..." and gives false.
bool RegisterRoot(const wxString& name, const wxString& path, bool overwrite);
// A directory handle on the root, or an invalid handle for an unknown name.
CDir GetRoot(const wxString& name);
// The raw path of a root ("" when unknown); URIs included.
wxString GetRootPath(const wxString& name);
std::vector<wxString> GetRootNames();
// Forgets every root (for tests that need a table of their own).
void ClearRoots();

// Reads "NAME = path" lines ('#' starts a comment) and binds each name, replacing earlier bindings silently.
// A path that does not expand is logged as "Bad dir path: <line>". False only when the file cannot be read.
bool LoadRootDefinitions(CFile& file);
// Replaces every "%%NAME%%" by the path of root NAME and normalises the result to an absolute path (URIs are
// kept as they are). False, with the text emptied, when a referenced root does not exist.
bool ExpandRootPath(wxString& text);
// Creates the missing directory of every root (URIs skipped); logs "Can not create dir ..." for each failure.
bool CreateRootDirs();
