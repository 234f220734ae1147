#include "storage/dir.h"

#include "storage/container_types.h"
#include "storage/dir_data.h"
#include "storage/dir_data_dir.h"
#include "storage/dir_data_root.h"
#include "storage/dir_data_zip.h"
#include "storage/dir_traverser.h"
#include "storage/path_text.h"

namespace
{
// The path in internal form without one trailing separator.
wxString CleanPath(const wxString& path)
{
    wxString clean = ToInternalPath(path);
    if (clean.length() > 1 && clean.Last() == '/')
        clean.RemoveLast();
    return clean;
}
}  // namespace

CDir::CDir(const wxString& path) : CDir(new CDirDataRoot(path)) {}

CDir::CDir(CDirData* node) : m_node(node)
{
    if (m_node)
        ++m_node->m_refCount;
}

CDir::CDir(const CDir& other) : CDir(other.m_node) {}

CDir& CDir::operator=(const CDir& other)
{
    CDir keep(other);
    std::swap(m_node, keep.m_node);
    return *this;
}

CDir::~CDir()
{
    if (m_node && --m_node->m_refCount == 0)
        delete m_node;
}

bool CDir::IsOk() const
{
    return m_node && m_node->IsOk();
}

wxString CDir::GetPath() const
{
    if (!m_node)
        return wxString();
    if (m_node->m_parent.IsValid())
        return m_node->m_parent.GetPath() + NativeSeparator() + ToNativePath(m_node->m_name);
    return m_node->m_name;
}

CDir CDir::Top() const
{
    CDir node(*this);
    while (node.m_node->m_parent.IsValid())
        node = node.m_node->m_parent;
    return node;
}

// The parent; from the directory that stands for an archive, the directory holding the archive.
CDir CDir::Up() const
{
    if (m_node->m_descended && m_node->m_parent.IsValid())
        return m_node->m_parent.m_node->m_parent;
    return m_node->m_parent;
}

// One step of Resolve: `first` taken off the front, `rest` what remains after it.
CDir CDir::Step(const wxString& first, wxString& rest) const
{
    if (first == ".")
        return *this;
    if (first != "..")
        return GetDir(first, kContainerDirectory, true);
    const CDir base = Up();
    const int childType = m_node->m_descended ? m_node->m_parent.m_node->m_type : m_node->m_type;
    const int slash = rest.Find('/');
    if (slash == wxNOT_FOUND || !base.IsValid())
        return base;
    const wxString next = rest.Left(slash);
    rest = rest.Mid(slash + 1);
    return base.GetDir(next, childType, true);
}

// Walks the leading components of `path`; leaves the last one in `path` and returns the node it names a child
// of, or an invalid handle when a component is missing.
CDir CDir::Resolve(wxString& path) const
{
    path = CleanPath(path);
    CDir node(*this);
    int slash;
    while (node.IsValid() && (slash = path.Find('/')) != wxNOT_FOUND)
    {
        const wxString first = path.Left(slash);
        path = path.Mid(slash + 1);
        node = node.Step(first, path);
    }
    return node;
}

CDir CDir::GetDir(const wxString& name, int type, bool descend) const
{
    if (!m_node)
        return CDir();
    wxString last(name);
    const CDir node = Resolve(last);
    if (!node.IsValid())
        return CDir();
    if (node.m_node != m_node)
        return node.GetDir(last, type, descend);
    if (last.empty())
        return Top();
    if (last == ".")
        return *this;
    if (last == "..")
        return Up();
    if (m_node->DirExists(last))
        return CDir(new CDirDataDir(last, *this, type));
    return OpenArchive(last, type, descend);
}

CDir CDir::OpenArchive(const wxString& name, int type, bool descend) const
{
    const wxString fileName = GetArchiveFileName(name, type);
    if (!m_node->FileExists(fileName))
        return CDir();
    CFile file = m_node->OpenFile(fileName, 0);
    if (!file.IsOk())
        return CDir();
    const CDir archive(new CDirDataZip(file, *this, type, GetContainerKey(type), GetContainerTag(type), fileName));
    return descend ? archive.DescendInto(name) : archive;
}

// The directory inside an archive that stands for it: the one named like the archive, else its single
// top-level directory when it holds no top-level files; else the archive itself.
CDir CDir::DescendInto(const wxString& name) const
{
    wxString inner;
    if (m_node->DirExists(name))
        inner = name;
    else
    {
        CDirTraverserSimple top(GetPath());
        m_node->Traverse(wxString(), top, wxString(), wxDIR_FILES | wxDIR_DIRS);
        if (top.Files().empty() && top.Dirs().size() == 1)
            inner = top.Dirs().front();
    }
    if (inner.empty())
        return *this;
    CDir dir(new CDirDataDir(inner, *this, kContainerDirectory));
    dir.m_node->m_descended = true;
    return dir;
}

CDir CDir::MakeDir(const wxString& name, bool archive, int type, bool replace, bool descend) const
{
    if (!m_node)
        return CDir();
    wxString path = CleanPath(name);
    const int slash = path.Find('/');
    if (slash != wxNOT_FOUND)
    {
        const wxString first = path.Left(slash);
        wxString rest = path.Mid(slash + 1);
        CDir next = Step(first, rest);
        if (!next.IsValid() && first != "." && first != "..")
            next = MakeDir(first, archive, type, false, true);
        return next.IsValid() ? next.MakeDir(rest, archive, type, false, true) : CDir();
    }
    if (!archive)
        return MakePlainDir(path, replace);
    const wxString fileName = GetArchiveFileName(path, type);
    if (replace && m_node->FileExists(fileName))
        m_node->RemoveFile(fileName);
    if (m_node->FileExists(fileName))
        return CDir();
    return CreateArchive(fileName, type, descend ? path : wxString());
}

CDir CDir::MakePlainDir(const wxString& name, bool replace) const
{
    if (replace && m_node->DirExists(name))
        m_node->RemoveDir(name);
    if (m_node->DirExists(name) || !m_node->MakeDir(name))
        return CDir();
    return GetDir(name, kContainerDirectory, true);
}

CDir CDir::CreateArchive(const wxString& fileName, int type, const wxString& dirName) const
{
    if (!m_node)
        return CDir();
    CFile file = m_node->CreateFile(CleanPath(fileName));
    if (!file.IsOk())
        return CDir();
    const CDir archive(new CDirDataZip(file, *this, type, GetContainerKey(type), GetContainerTag(type),
                                       CleanPath(fileName), CDirDataZip::kForWriting));
    if (dirName.empty())
        return archive;
    CDir dir = archive.MakeDir(dirName, false, kContainerDirectory, false, true);
    if (dir.IsValid())
        dir.m_node->m_descended = true;
    return dir;
}

bool CDir::FinishArchive() const
{
    return m_node && m_node->FinishArchive();
}

bool CDir::Exists(const wxString& name, int type) const
{
    wxString last(name);
    const CDir node = m_node ? Resolve(last) : CDir();
    return node.IsValid() && (node.m_node->DirExists(last) || node.m_node->FileExists(GetArchiveFileName(last, type)));
}

bool CDir::Remove(const wxString& name, int type) const
{
    wxString last(name);
    const CDir node = m_node ? Resolve(last) : CDir();
    if (!node.IsValid())
        return false;
    if (node.m_node->DirExists(last))
        return node.m_node->RemoveDir(last);
    const wxString fileName = GetArchiveFileName(last, type);
    return node.m_node->FileExists(fileName) && node.m_node->RemoveFile(fileName);
}

CFile CDir::OpenFile(const wxString& path, int mode) const
{
    wxString last(path);
    const CDir node = m_node ? Resolve(last) : CDir();
    if (!node.IsValid() || !node.m_node->FileExists(last))
        return CFile();
    return node.m_node->OpenFile(last, mode);
}

CFile CDir::CreateFile(const wxString& path) const
{
    wxString last(path);
    const CDir node = m_node ? Resolve(last) : CDir();
    return node.IsValid() ? node.m_node->CreateFile(last) : CFile();
}

bool CDir::FileExists(const wxString& path) const
{
    wxString last(path);
    const CDir node = m_node ? Resolve(last) : CDir();
    return node.IsValid() && node.m_node->FileExists(last);
}

bool CDir::Rename(const wxString& from, const wxString& to) const
{
    return m_node && m_node->Rename(CleanPath(from), CleanPath(to));
}

size_t CDir::Traverse(wxDirTraverser& traverser, const wxString& pattern) const
{
    return m_node ? m_node->Traverse(wxString(), traverser, pattern, wxDIR_FILES | wxDIR_DIRS) : 0;
}
