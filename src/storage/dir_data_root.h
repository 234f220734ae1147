#pragma once
// CDirDataRoot: a directory of the file system, given by its path. Valid even when the directory does not exist.
#include <wx/dir.h>

#include "storage/dir_data.h"

class CDirDataRoot : public CDirData
{
public:
    explicit CDirDataRoot(const wxString& path);

    bool DirExists(const wxString& path) override;
    bool FileExists(const wxString& path) override;
    bool MakeDir(const wxString& path) override;
    bool RemoveDir(const wxString& path) override;
    CFile CreateFile(const wxString& path) override;
    CFile OpenFile(const wxString& path, int mode) override;
    bool RemoveFile(const wxString& path) override;
    bool Rename(const wxString& from, const wxString& to) override;
    bool GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags) override;
    bool GetNext(const wxString& dir, wxString* name) override;
    size_t Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags) override;
    bool IsNative() const override { return true; }
    bool HasFiles(const wxString& dir, const wxString& pattern) override;

private:
    // The path as the directory walkers get it.
    wxString FullPath(const wxString& path) const;
    // The same, absolute and with "." and ".." resolved, for the existence tests and file operations.
    wxString NormalPath(const wxString& path) const;

    wxDir m_walk;  // state of GetFirst / GetNext
};
