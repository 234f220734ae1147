#pragma once
// CDirDataDir: a sub-directory of another node; every operation goes to the parent with the path prefixed by
// this directory's name.
#include "storage/dir_data.h"

class CDirDataDir : public CDirData
{
public:
    CDirDataDir(const wxString& name, const CDir& parent, int type);

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
    bool IsNative() const override;
    bool HasFiles(const wxString& dir, const wxString& pattern) override;

private:
    wxString Inner(const wxString& path) const;
    CDirData& Parent() const { return *m_parent.GetData(); }
};
