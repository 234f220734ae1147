#include "storage/dir_data_root.h"

#include <algorithm>
#include <memory>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include "storage/dir_traverser.h"
#include "storage/path_text.h"

namespace
{
// Environment variables are not expanded: a '$' in a project file name is part of the name.
const int kNormalizeFlags =
    wxPATH_NORM_DOTS | wxPATH_NORM_TILDE | wxPATH_NORM_ABSOLUTE | wxPATH_NORM_LONG | wxPATH_NORM_SHORTCUT;
const size_t kReadBufferSize = 64 * 1024;

// A buffered file stream that stays buffered after a read reached the end of the file. The toolkit's buffer takes
// the size of its last fill as its size, so after the package and zip readers have read the trailer at the end
// every later read would go to the file a few bytes at a time. A seek gives the buffer its full size back.
class CBufferedFileInputStream : public wxBufferedInputStream
{
public:
    CBufferedFileInputStream(wxInputStream& file, size_t size) : wxBufferedInputStream(file, size), m_size(size) {}

    wxFileOffset SeekI(wxFileOffset offset, wxSeekMode mode) override
    {
        wxFileOffset base = 0;
        if (mode == wxFromEnd)
            base = GetLength();
        else if (mode == wxFromCurrent)
            base = TellI();
        if (base == wxInvalidOffset)
            return wxInvalidOffset;
        if (GetInputStreamBuffer()->GetBufferSize() < m_size)
            GetInputStreamBuffer()->SetBufferIO(m_size);
        return wxBufferedInputStream::SeekI(base + offset, wxFromStart);
    }

private:
    size_t m_size;
};

wxString RootName(const wxString& path)
{
    wxString name = ToInternalPath(path);
    if (name.length() > 1 && name.Last() == '/')
        name.RemoveLast();
    return ToNativePath(name);
}
}  // namespace

CDirDataRoot::CDirDataRoot(const wxString& path) : CDirData(0, CDir(), RootName(path)) {}

wxString CDirDataRoot::FullPath(const wxString& path) const
{
    if (path.empty())
        return m_name;
    wxString full = m_name;
    if (full.empty() || full.Last() != NativeSeparator())
        full += NativeSeparator();
    return full + ToNativePath(path);
}

wxString CDirDataRoot::NormalPath(const wxString& path) const
{
    wxFileName name(FullPath(path));
    name.Normalize(kNormalizeFlags);
    return name.GetFullPath();
}

bool CDirDataRoot::DirExists(const wxString& path)
{
    return wxFileName::DirExists(NormalPath(path));
}

bool CDirDataRoot::FileExists(const wxString& path)
{
    return wxFileName::FileExists(NormalPath(path));
}

bool CDirDataRoot::MakeDir(const wxString& path)
{
    return wxFileName::Mkdir(NormalPath(path), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
}

bool CDirDataRoot::RemoveDir(const wxString& path)
{
    const wxString top = NormalPath(path);
    CDirTraverserSort walk;
    {
        wxDir dir(top);
        if (!dir.IsOpened())
            return false;
        // Links are removed as links: following one would empty the directory it points to.
        dir.Traverse(walk, wxString(), wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN | wxDIR_NO_FOLLOW);
    }
    std::vector<wxString> entries = walk.Entries();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const wxString& a, const wxString& b) { return a.length() > b.length(); });
    for (const wxString& entry : entries)
    {
        const bool ok = entry.Last() == '/' ? wxRmdir(ToNativePath(entry.substr(0, entry.length() - 1)))
                                            : wxRemoveFile(ToNativePath(entry));
        if (!ok)
            return false;
    }
    return wxRmdir(top);
}

CFile CDirDataRoot::CreateFile(const wxString& path)
{
    auto stream = std::make_unique<wxFileOutputStream>(NormalPath(path));
    if (!stream->IsOk())
        return CFile();
    return CFile(CDir(this), path, nullptr, stream.release(), true);
}

CFile CDirDataRoot::OpenFile(const wxString& path, int mode)
{
    const wxString full = NormalPath(path);
    if (mode == 1)
    {
        auto stream = std::make_unique<wxFileOutputStream>(full);
        return stream->IsOk() ? CFile(CDir(this), path, nullptr, stream.release(), true) : CFile();
    }
    if (mode != 0)
        return CFile();
    auto file = std::make_unique<wxFileInputStream>(full);
    if (!file->IsOk())
        return CFile();
    // File streams read straight from the system; the buffer keeps line reads and the package's block reads
    // from turning into one system call each.
    CFile result(CDir(this), path, new CBufferedFileInputStream(*file, kReadBufferSize), nullptr, true);
    result.AdoptStream(file.release());
    return result;
}

bool CDirDataRoot::RemoveFile(const wxString& path)
{
    return wxRemoveFile(NormalPath(path));
}

bool CDirDataRoot::Rename(const wxString& from, const wxString& to)
{
    return wxRenameFile(NormalPath(from), NormalPath(to), true);
}

bool CDirDataRoot::GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags)
{
    wxLogNull quiet;
    return m_walk.Open(FullPath(dir)) && m_walk.GetFirst(name, pattern, flags);
}

bool CDirDataRoot::GetNext(const wxString&, wxString* name)
{
    return m_walk.IsOpened() && m_walk.GetNext(name);
}

size_t CDirDataRoot::Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags)
{
    wxLogNull quiet;
    wxDir walk(FullPath(dir));
    return walk.IsOpened() ? walk.Traverse(traverser, pattern, flags) : 0;
}

bool CDirDataRoot::HasFiles(const wxString& dir, const wxString& pattern)
{
    wxLogNull quiet;
    wxDir walk(FullPath(dir));
    return walk.IsOpened() && walk.HasFiles(pattern);
}
