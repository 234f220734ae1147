#pragma once
// CDirData: the base of the nodes of the directory tree (CDirDataRoot, CDirDataDir, CDirDataZip).
//
// Paths given to a node are relative to it, use '/' and may be empty (the node itself). Nodes are reference
// counted by the CDir and CFile handles on them.
#include <cstddef>

#include <wx/dir.h>
#include <wx/string.h>

#include "storage/dir.h"
#include "storage/file.h"

class CDirData
{
public:
    CDirData(int type, const CDir& parent, const wxString& name) : m_type(type), m_parent(parent), m_name(name) {}
    virtual ~CDirData() = default;
    CDirData(const CDirData&) = delete;
    CDirData& operator=(const CDirData&) = delete;

    virtual bool DirExists(const wxString& path) = 0;
    virtual bool FileExists(const wxString& path) = 0;
    virtual bool MakeDir(const wxString& path) = 0;
    // Removes the whole subtree.
    virtual bool RemoveDir(const wxString& path) = 0;
    virtual CFile CreateFile(const wxString& path) = 0;
    // mode 0 reads, 1 writes.
    virtual CFile OpenFile(const wxString& path, int mode) = 0;
    virtual bool RemoveFile(const wxString& path) = 0;
    virtual bool Rename(const wxString& from, const wxString& to) = 0;
    virtual bool GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags) = 0;
    virtual bool GetNext(const wxString& dir, wxString* name) = 0;
    virtual size_t Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags) = 0;
    // Paths of this node are real file-system paths.
    virtual bool IsNative() const = 0;
    virtual bool HasFiles(const wxString& dir, const wxString& pattern) = 0;
    virtual bool IsOk() const { return true; }
    // See CDir::FinishArchive; nodes outside an archive have nothing to finish.
    virtual bool FinishArchive() { return m_parent.IsValid() && m_parent.FinishArchive(); }

    int m_refCount = 0;
    int m_type;
    // Set on the directory inside an archive that stands for the archive itself.
    bool m_descended = false;
    CDir m_parent;
    // Root: native absolute path; sub-directory: its own name; archive: the archive file's name.
    wxString m_name;
};
