#pragma once
// CDirDataZip: a zip archive seen as a directory tree, either read (its whole directory is listed on opening and
// entries are read into memory when opened) or written (entries are appended; the archive is finished when the
// node goes or on FinishArchive). With a key the zip lies inside the encrypted package stream.
//
// Entries are read whole into memory, so declared sizes are checked before anything is allocated: an entry above
// kMaxEntrySize, or one that would take the archive's total beyond kMaxExpandedSize, is refused when opened,
// with an error naming it; the other entries stay usable.
#include <map>
#include <memory>

#include "storage/dir_data.h"

class wxBlowFishInputStream;
class wxBlowFishOutputStream;
class wxBufferedOutputStream;
class wxZipEntry;
class wxZipInputStream;
class wxZipOutputStream;

class CDirDataZip : public CDirData
{
public:
    static const wxFileOffset kMaxEntrySize = 256 * 1024 * 1024;
    static const wxFileOffset kMaxExpandedSize = 1024 * 1024 * 1024;
    enum WriteMode
    {
        kForWriting
    };

    // Reads the archive in `archive` (a file opened for reading in `parent`).
    CDirDataZip(const CFile& archive, const CDir& parent, int type, const wxString& key, const wxString& tag,
                const wxString& name);
    // Starts a new archive in `archive` (a file created in `parent`).
    CDirDataZip(const CFile& archive, const CDir& parent, int type, const wxString& key, const wxString& tag,
                const wxString& name, WriteMode);
    ~CDirDataZip() override;

    bool DirExists(const wxString& path) override;
    bool FileExists(const wxString& path) override;
    bool MakeDir(const wxString& path) override;
    bool RemoveDir(const wxString&) override { return false; }
    CFile CreateFile(const wxString& path) override;
    CFile OpenFile(const wxString& path, int mode) override;
    bool RemoveFile(const wxString&) override { return false; }
    bool Rename(const wxString&, const wxString&) override { return false; }
    bool GetFirst(const wxString& dir, wxString* name, const wxString& pattern, int flags) override;
    bool GetNext(const wxString& dir, wxString* name) override;
    size_t Traverse(const wxString& dir, wxDirTraverser& traverser, const wxString& pattern, int flags) override;
    bool IsNative() const override { return false; }
    bool HasFiles(const wxString& dir, const wxString& pattern) override;
    bool IsOk() const override { return m_archiveIn != nullptr || m_archiveOut != nullptr; }
    bool FinishArchive() override;

private:
    struct Entry
    {
        std::shared_ptr<wxZipEntry> zip;  // null for entries this node wrote
        wxString refusal;                 // why opening it is refused; empty when it may be read
    };
    using EntryMap = std::map<wxString, Entry>;

    wxString ArchivePath() const;
    void ListEntries();
    void CheckSizes(std::vector<EntryMap::iterator>& order);
    bool ReadEntry(Entry& entry, wxMemoryBuffer& bytes);
    bool WalkFrom(EntryMap::const_iterator from, const wxString& dir, wxString* name);

    CFile m_archive;
    std::unique_ptr<wxBlowFishInputStream> m_cipherIn;
    std::unique_ptr<wxBufferedOutputStream> m_bufferOut;
    std::unique_ptr<wxBlowFishOutputStream> m_cipherOut;
    wxInputStream* m_archiveIn = nullptr;  // the zip bytes: the file itself or the deciphered stream
    wxOutputStream* m_archiveOut = nullptr;
    std::unique_ptr<wxZipInputStream> m_zipIn;
    std::unique_ptr<wxZipOutputStream> m_zipOut;
    EntryMap m_entries;
    bool m_finished = false;
    bool m_finishedOk = false;
    // State of GetFirst / GetNext.
    wxString m_walkLast;
    wxString m_walkPattern;
    int m_walkFlags = 0;
};
