#include "storage/dir_data_zip.h"

#include <set>
#include <vector>

#include <wx/datetime.h>
#include <wx/log.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include "storage/blow_fish_stream.h"
#include "storage/path_text.h"

namespace
{
const size_t kBufferSlack = 1024;
const size_t kWriteBufferSize = 64 * 1024;
// Sizes that bound the bytes an entry's read goes through: the fixed part of a local header, room for its extra
// field, and the largest data descriptor after the data.
const wxFileOffset kLocalHeaderSize = 30;
const wxFileOffset kExtraAllowance = 1024;
const wxFileOffset kDescriptorSize = 24;

bool IsDirName(const wxString& name)
{
    return !name.empty() && name.Last() == '/';
}

wxString LastComponent(const wxString& path)
{
    return path.AfterLast('/');
}

bool MatchesPattern(const wxString& name, const wxString& pattern)
{
    if (pattern.empty())
        return true;
    if (wxIsWild(pattern))
        return wxMatchWild(pattern, name, true);
    return name == pattern;
}
}  // namespace

CDirDataZip::CDirDataZip(const CFile& archive, const CDir& parent, int type, const wxString& key, const wxString& tag,
                         const wxString& name)
    : CDirData(type, parent, name), m_archive(archive)
{
    wxInputStream* raw = m_archive.GetInputStream();
    if (!raw)
        return;
    if (!key.empty())
    {
        m_cipherIn.reset(new wxBlowFishInputStream(*raw, key, tag));
        if (!m_cipherIn->IsValid())
        {
            wxLogError("Can not open package %s: %s", ArchivePath(), m_cipherIn->GetFaultText());
            return;
        }
        raw = m_cipherIn.get();
    }
    m_archiveIn = raw;
    m_zipIn.reset(new wxZipInputStream(*m_archiveIn, wxConvUTF8));
    ListEntries();
}

CDirDataZip::CDirDataZip(const CFile& archive, const CDir& parent, int type, const wxString& key, const wxString& tag,
                         const wxString& name, WriteMode)
    : CDirData(type, parent, name), m_archive(archive)
{
    wxOutputStream* raw = m_archive.GetOutputStream();
    if (!raw)
        return;
    m_bufferOut.reset(new wxBufferedOutputStream(*raw, kWriteBufferSize));
    m_archiveOut = m_bufferOut.get();
    if (!key.empty())
    {
        m_cipherOut.reset(new wxBlowFishOutputStream(*m_bufferOut, key, tag));
        m_archiveOut = m_cipherOut.get();
    }
    m_zipOut.reset(new wxZipOutputStream(*m_archiveOut, -1, wxConvUTF8));
}

// The members go in the reverse order of their declaration: the zip streams before the package stream below
// them, the archive file last.
CDirDataZip::~CDirDataZip()
{
    FinishArchive();
}

// Writing: the zip's central directory goes out first, through the package stream, which then writes its last
// block and trailer; the file is closed last. The stream objects stay until the node goes, so that a file still
// open in the archive fails to write instead of writing into a deleted stream.
bool CDirDataZip::FinishArchive()
{
    if (m_finished || !m_zipOut)
        return m_finishedOk;
    m_finished = true;
    bool ok = m_zipOut->Close();
    if (m_cipherOut)
        ok = m_cipherOut->Close() && ok;
    m_bufferOut->Sync();
    ok = m_bufferOut->GetLastError() == wxSTREAM_NO_ERROR && ok;
    wxOutputStream* file = m_archive.GetOutputStream();
    ok = file->Close() && file->GetLastError() == wxSTREAM_NO_ERROR && ok;
    m_finishedOk = ok;
    return ok;
}

wxString CDirDataZip::ArchivePath() const
{
    return m_parent.GetPath() + NativeSeparator() + ToNativePath(m_name);
}

void CDirDataZip::ListEntries()
{
    std::vector<EntryMap::iterator> order;
    while (wxZipEntry* raw = m_zipIn->GetNextEntry())
    {
        std::shared_ptr<wxZipEntry> zip(raw);
        wxString name = ToInternalPath(zip->GetInternalName());
        while (name.StartsWith("/"))
            name.Remove(0, 1);
        if (zip->IsDir() && !IsDirName(name))
            name += '/';
        auto placed = m_entries.insert({name, Entry{zip, wxString()}});
        if (placed.second)
            order.push_back(placed.first);
    }
    if (m_zipIn->GetLastError() != wxSTREAM_EOF && m_zipIn->GetLastError() != wxSTREAM_NO_ERROR)
        wxLogError("Can not read the archive %s: it is damaged or not a zip archive", ArchivePath());
    CheckSizes(order);
}

// Marks the entries that must not be read into memory, in the order the archive lists them.
void CDirDataZip::CheckSizes(std::vector<EntryMap::iterator>& order)
{
    wxFileOffset total = 0;
    for (EntryMap::iterator it : order)
    {
        const wxFileOffset size = it->second.zip->GetSize();
        if (size < 0 || size > kMaxEntrySize)
            it->second.refusal = wxString::Format("its size of %lld bytes is above the limit of %lld bytes",
                                                  static_cast<long long>(size), static_cast<long long>(kMaxEntrySize));
        else if (total + size > kMaxExpandedSize)
            it->second.refusal = wxString::Format("the archive would expand beyond %lld bytes",
                                                  static_cast<long long>(kMaxExpandedSize));
        else
            total += size;
    }
}

bool CDirDataZip::DirExists(const wxString& path)
{
    return m_entries.count(path + "/") > 0;
}

bool CDirDataZip::FileExists(const wxString& path)
{
    return !path.empty() && !IsDirName(path) && m_entries.count(path) > 0;
}

bool CDirDataZip::MakeDir(const wxString& path)
{
    if (!m_zipOut || m_finished || !m_zipOut->PutNextDirEntry(path, wxDateTime::Now()))
        return false;
    m_entries[path + "/"] = Entry();
    return true;
}

CFile CDirDataZip::CreateFile(const wxString& path)
{
    if (!m_zipOut || m_finished || !m_zipOut->PutNextEntry(path, wxDateTime::Now()))
        return CFile();
    m_entries[path] = Entry();
    return CFile(CDir(this), path, nullptr, m_zipOut.get(), false);
}

CFile CDirDataZip::OpenFile(const wxString& path, int mode)
{
    auto it = m_entries.find(path);
    if (mode != 0 || !m_zipIn || it == m_entries.end() || !it->second.zip)
        return CFile();
    if (!it->second.refusal.empty())
    {
        wxLogError("Can not open entry '%s' of %s: %s", path, ArchivePath(), it->second.refusal);
        return CFile();
    }
    wxMemoryBuffer bytes;
    if (!ReadEntry(it->second, bytes))
    {
        wxLogError("Can not read entry '%s' of %s: the archive is damaged", path, ArchivePath());
        return CFile();
    }
    return CFile(CDir(this), path, bytes);
}

// Reads exactly the declared size; the zip reader checks the checksum when it reaches the entry's end.
bool CDirDataZip::ReadEntry(Entry& entry, wxMemoryBuffer& bytes)
{
    if (m_cipherIn)
    {
        // The entry's local header, its data and its data descriptor.
        const wxZipEntry& zip = *entry.zip;
        const wxFileOffset header = kLocalHeaderSize + zip.GetInternalName().utf8_str().length() + kExtraAllowance;
        m_cipherIn->ExpectRun(zip.GetOffset(), zip.GetOffset() + header + zip.GetCompressedSize() + kDescriptorSize);
    }
    if (!m_zipIn->OpenEntry(*entry.zip))
        return false;
    const size_t size = static_cast<size_t>(entry.zip->GetSize());
    char* target = static_cast<char*>(bytes.GetWriteBuf(size + kBufferSlack));
    size_t got = 0;
    while (got < size)
    {
        const size_t count = m_zipIn->Read(target + got, size - got).LastRead();
        if (count == 0)
            break;
        got += count;
    }
    char extra;
    const bool overrun = got == size && m_zipIn->Read(&extra, 1).LastRead() != 0;
    const bool ok = got == size && !overrun && m_zipIn->GetLastError() != wxSTREAM_READ_ERROR;
    bytes.UngetWriteBuf(ok ? size : 0);
    m_zipIn->CloseEntry();
    return ok;
}

size_t CDirDataZip::Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags)
{
    wxString top = ToInternalPath(dir);
    if (IsDirName(top))
        top.RemoveLast();
    const wxString base = ToInternalPath(ArchivePath()) + "/";
    std::set<wxString> opened;
    size_t count = 0;
    for (const auto& item : m_entries)
    {
        const wxString& entry = item.first;
        const bool isDir = IsDirName(entry);
        const wxString bare = isDir ? entry.substr(0, entry.length() - 1) : entry;
        const wxString parent = bare.Find('/', true) == wxNOT_FOUND ? wxString() : bare.BeforeLast('/');
        if (!parent.empty() && !opened.count(parent + "/"))
            continue;
        if (!top.empty())
        {
            if (bare == top || (isDir && (top + "/").StartsWith(entry)))
                opened.insert(isDir ? entry : entry + "/");
            if (!bare.StartsWith(top + "/"))
                continue;
        }
        if (isDir)
        {
            if (!(flags & wxDIR_DIRS))
                continue;
            const wxDirTraverseResult result = traverser.OnDir(base + bare);
            if (result == wxDIR_STOP)
                break;
            if (result == wxDIR_CONTINUE)
                opened.insert(entry);
        }
        else if ((flags & wxDIR_FILES) && MatchesPattern(LastComponent(bare), pattern))
        {
            ++count;
            if (traverser.OnFile(base + bare) == wxDIR_STOP)
                break;
        }
    }
    return count;
}

bool CDirDataZip::WalkFrom(EntryMap::const_iterator from, const wxString& dir, wxString* name)
{
    const wxString prefix = dir.empty() ? wxString() : ToInternalPath(dir) + "/";
    for (auto it = from; it != m_entries.end(); ++it)
    {
        if (!it->first.StartsWith(prefix))
            continue;
        const bool isDir = IsDirName(it->first);
        wxString rest = it->first.Mid(prefix.length());
        if (isDir)
            rest.RemoveLast();
        if (rest.empty() || rest.Find('/') != wxNOT_FOUND || !MatchesPattern(rest, m_walkPattern))
            continue;
        if ((isDir && (m_walkFlags & wxDIR_DIRS)) || (!isDir && (m_walkFlags & wxDIR_FILES)))
        {
            m_walkLast = it->first;
            if (name)
                *name = prefix + rest;
            return true;
        }
    }
    m_walkLast.clear();
    return false;
}

bool CDirDataZip::GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags)
{
    m_walkPattern = pattern;
    m_walkFlags = flags;
    return WalkFrom(m_entries.begin(), dir, name);
}

bool CDirDataZip::GetNext(const wxString& dir, wxString* name)
{
    if (m_walkLast.empty())
        return false;
    return WalkFrom(m_entries.upper_bound(m_walkLast), dir, name);
}

bool CDirDataZip::HasFiles(const wxString&, const wxString& pattern)
{
    if (pattern.empty())
        return !m_entries.empty();
    const wxString tail = pattern.AfterLast('*');
    for (const auto& item : m_entries)
    {
        if (item.first.EndsWith(tail))
            return true;
    }
    return false;
}
