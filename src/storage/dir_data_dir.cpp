#include "storage/dir_data_dir.h"

CDirDataDir::CDirDataDir(const wxString& name, const CDir& parent, int type) : CDirData(type, parent, name) {}

wxString CDirDataDir::Inner(const wxString& path) const
{
    wxString rest(path);
    while (rest.StartsWith("/"))
        rest.Remove(0, 1);
    return rest.empty() ? m_name : m_name + "/" + rest;
}

bool CDirDataDir::DirExists(const wxString& path)
{
    return Parent().DirExists(Inner(path));
}

bool CDirDataDir::FileExists(const wxString& path)
{
    return Parent().FileExists(Inner(path));
}

bool CDirDataDir::MakeDir(const wxString& path)
{
    return Parent().MakeDir(Inner(path));
}

bool CDirDataDir::RemoveDir(const wxString& path)
{
    return Parent().RemoveDir(Inner(path));
}

CFile CDirDataDir::CreateFile(const wxString& path)
{
    return Parent().CreateFile(Inner(path));
}

CFile CDirDataDir::OpenFile(const wxString& path, int mode)
{
    return Parent().OpenFile(Inner(path), mode);
}

bool CDirDataDir::RemoveFile(const wxString& path)
{
    return Parent().RemoveFile(Inner(path));
}

bool CDirDataDir::Rename(const wxString& from, const wxString& to)
{
    return Parent().Rename(Inner(from), Inner(to));
}

bool CDirDataDir::GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags)
{
    return Parent().GetFirst(Inner(dir), name, pattern, flags);
}

bool CDirDataDir::GetNext(const wxString& dir, wxString* name)
{
    return Parent().GetNext(Inner(dir), name);
}

size_t CDirDataDir::Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags)
{
    return Parent().Traverse(Inner(dir), traverser, pattern, flags);
}

bool CDirDataDir::IsNative() const
{
    return Parent().IsNative();
}

bool CDirDataDir::HasFiles(const wxString& dir, const wxString& pattern)
{
    return Parent().HasFiles(Inner(dir), pattern);
}
