#pragma once
// CFile: a cheap handle on one open file of any directory node (a real file, or an entry of an archive).
//
// Copies share the open file; it is closed when the last handle goes or on Close(). Line reads detect a
// byte-order mark (UTF-8, UTF-16 little- or big-endian) on the first call. Used on the GUI thread only: the
// reference count is a plain counter.
#include <cstddef>

#include <wx/buffer.h>
#include <wx/string.h>

class CDir;
class wxInputStream;
class wxOutputStream;
struct CFileData;

class CFile
{
public:
    CFile() = default;
    // A file of `name` in `dir` over the given streams (either may be null). With `ownsStreams` the streams are
    // deleted with the file; `owned` lists further streams (filters below them) that go with it, innermost last.
    CFile(const CDir& dir, const wxString& name, wxInputStream* input, wxOutputStream* output, bool ownsStreams);
    // A read-only file over bytes held in memory (an archive entry).
    CFile(const CDir& dir, const wxString& name, const wxMemoryBuffer& bytes);
    CFile(const CFile& other);
    CFile& operator=(const CFile& other);
    ~CFile();

    bool IsOk() const { return m_data != nullptr; }
    wxString GetName() const;
    CDir GetDir() const;
    wxInputStream* GetInputStream() const;
    wxOutputStream* GetOutputStream() const;
    // Streams deleted with the file in addition to its own ones (wrapped by them), in the order to delete them.
    void AdoptStream(wxInputStream* inner);
    void AdoptStream(wxOutputStream* inner);

    // The whole file, less a byte-order mark that ReadLine has already skipped.
    bool ReadAll(wxMemoryBuffer& buffer);
    // The next line without its end; "" at the end or for a file without input.
    wxString ReadLine();
    // True once the input has nothing more to give.
    bool Eof() const;
    // True when the output took the whole buffer.
    bool WriteAll(const void* bytes, size_t size);
    bool WriteAll(const wxMemoryBuffer& buffer) { return WriteAll(buffer.GetData(), buffer.GetDataLen()); }
    // Closes an owned output stream (false when that fails) and lets go of this handle's data.
    bool Close();

private:
    void Release();
    bool ReadAllNative(wxMemoryBuffer& buffer);
    bool ReadAllStream(wxMemoryBuffer& buffer);
    void DetectEncoding();

    CFileData* m_data = nullptr;
};
