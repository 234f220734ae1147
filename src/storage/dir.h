#pragma once
// CDir: a cheap handle on a node of the virtual directory tree: a real directory, a sub-directory of another
// node, or a zip archive (plain or inside the encrypted package stream). Every file the program reads or writes
// is reached through it with paths relative to the node; paths may use '/' or '\'.
//
// Copies share the node; the node goes when its last handle or open file goes, and keeps its parent alive.
// Used on the GUI thread only: the reference count is a plain counter.
#include <cstddef>

#include <wx/string.h>

#include "storage/file.h"

class CDirData;
class wxDirTraverser;

class CDir
{
public:
    CDir() = default;
    // A file-system directory; the handle is valid even when the directory does not exist.
    explicit CDir(const wxString& path);
    // Takes a reference on an existing node.
    explicit CDir(CDirData* node);
    CDir(const CDir& other);
    CDir& operator=(const CDir& other);
    ~CDir();

    // The handle holds a node and the node is usable (a package with a bad frame is not).
    bool IsOk() const;
    // The handle holds a node, usable or not.
    bool IsValid() const { return m_node != nullptr; }
    CDirData* GetData() const { return m_node; }
    // Native full path; inside an archive it runs through the archive file ("/p/Studio.darevirudu/Studio/img").
    wxString GetPath() const;

    // The directory `name`: "" is the top of this tree, ".." the parent (from the directory that stands for a
    // package, the directory holding the package). A name that is not a directory is looked for as the archive
    // file of `type`; with `descend` the directory inside the archive is returned.
    CDir GetDir(const wxString& name, int type = 0, bool descend = false) const;
    // Creates the directory `name`, or with `archive` the archive file of `type` (and with `descend` the
    // directory of the same name inside it). With `replace` an existing one is removed first.
    CDir MakeDir(const wxString& name, bool archive, int type, bool replace, bool descend) const;
    // Creates an archive of `type` in the file `fileName` holding one directory `dirName`, and returns that
    // directory. An existing file of that name is overwritten.
    CDir CreateArchive(const wxString& fileName, int type, const wxString& dirName) const;
    // Writes the end of the archive this node lies in (its central directory, the last block and trailer of a
    // package) and closes its file. True when everything reached the disk. Nothing can be added afterwards.
    bool FinishArchive() const;

    bool Exists(const wxString& name, int type = 0) const;
    bool Remove(const wxString& name, int type = 0) const;
    // mode 0 reads, 1 writes; invalid when the file does not exist.
    CFile OpenFile(const wxString& path, int mode = 0) const;
    CFile CreateFile(const wxString& path) const;
    bool FileExists(const wxString& path) const;
    bool Rename(const wxString& from, const wxString& to) const;
    // Files and directories of this node (not hidden ones), as the traverser's callbacks.
    size_t Traverse(wxDirTraverser& traverser, const wxString& pattern = wxString()) const;

private:
    CDir Resolve(wxString& path) const;
    CDir Step(const wxString& first, wxString& rest) const;
    CDir Top() const;
    CDir Up() const;
    CDir OpenArchive(const wxString& name, int type, bool descend) const;
    CDir DescendInto(const wxString& name) const;
    CDir MakePlainDir(const wxString& name, bool replace) const;

    CDirData* m_node = nullptr;
};
