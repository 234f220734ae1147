#include "storage/file.h"

#include <limits>
#include <memory>
#include <vector>

#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/stream.h>
#include <wx/txtstrm.h>

#include "storage/dir.h"
#include "storage/dir_data.h"
#include "storage/path_text.h"

namespace
{
enum TextEncoding
{
    kEncodingUnknown = 0,
    kEncodingUtf8 = 1,
    kEncodingUtf16Le = 3,
    kEncodingUtf16Be = 4,
};

// ReadAll refuses files that do not fit a signed 32-bit size.
const wxFileOffset kMaxReadAllSize = std::numeric_limits<int32_t>::max();
const size_t kBufferSlack = 1024;
}  // namespace

struct CFileData
{
    ~CFileData()
    {
        text.reset();
        if (ownsStreams)
        {
            delete input;
            delete output;
        }
        for (auto it = innerInputs.rbegin(); it != innerInputs.rend(); ++it)
            delete *it;
        for (auto it = innerOutputs.rbegin(); it != innerOutputs.rend(); ++it)
            delete *it;
    }

    int refCount = 1;
    wxInputStream* input = nullptr;
    wxOutputStream* output = nullptr;
    std::vector<wxInputStream*> innerInputs;
    std::vector<wxOutputStream*> innerOutputs;
    wxMemoryBuffer memory;  // the bytes of an archive entry
    CDir dir;
    wxString name;
    bool ownsStreams = false;
    int encoding = kEncodingUnknown;
    size_t markLength = 0;
    std::unique_ptr<wxMBConv> conv;
    std::unique_ptr<wxTextInputStream> text;
};

CFile::CFile(const CDir& dir, const wxString& name, wxInputStream* input, wxOutputStream* output, bool ownsStreams)
    : m_data(new CFileData)
{
    m_data->dir = dir;
    m_data->name = name;
    m_data->input = input;
    m_data->output = output;
    m_data->ownsStreams = ownsStreams;
}

CFile::CFile(const CDir& dir, const wxString& name, const wxMemoryBuffer& bytes) : m_data(new CFileData)
{
    m_data->dir = dir;
    m_data->name = name;
    m_data->memory = bytes;
    m_data->input = new wxMemoryInputStream(m_data->memory.GetData(), m_data->memory.GetDataLen());
    m_data->ownsStreams = true;
}

CFile::CFile(const CFile& other) : m_data(other.m_data)
{
    if (m_data)
        ++m_data->refCount;
}

CFile& CFile::operator=(const CFile& other)
{
    if (other.m_data)
        ++other.m_data->refCount;
    Release();
    m_data = other.m_data;
    return *this;
}

CFile::~CFile()
{
    Release();
}

void CFile::Release()
{
    if (m_data && --m_data->refCount == 0)
        delete m_data;
    m_data = nullptr;
}

wxString CFile::GetName() const
{
    return m_data ? m_data->name : wxString();
}

CDir CFile::GetDir() const
{
    return m_data ? m_data->dir : CDir();
}

wxInputStream* CFile::GetInputStream() const
{
    return m_data ? m_data->input : nullptr;
}

wxOutputStream* CFile::GetOutputStream() const
{
    return m_data ? m_data->output : nullptr;
}

void CFile::AdoptStream(wxInputStream* inner)
{
    if (m_data)
        m_data->innerInputs.push_back(inner);
}

void CFile::AdoptStream(wxOutputStream* inner)
{
    if (m_data)
        m_data->innerOutputs.push_back(inner);
}

bool CFile::ReadAll(wxMemoryBuffer& buffer)
{
    if (!m_data || !m_data->input)
        return false;
    if (m_data->dir.IsOk() && m_data->dir.GetData()->IsNative())
        return ReadAllNative(buffer);
    return ReadAllStream(buffer);
}

bool CFile::ReadAllNative(wxMemoryBuffer& buffer)
{
    const wxString path = m_data->dir.GetPath() + NativeSeparator() + ToNativePath(ToInternalPath(m_data->name));
    wxFFile file;
    {
        wxLogNull quiet;  // the message below names the file once
        file.Open(path, "rb");
    }
    const wxFileOffset size = file.IsOpened() ? file.Length() : wxInvalidOffset;
    if (size == wxInvalidOffset)
    {
        wxLogError("Can not open %s for read", path);
        return false;
    }
    if (size > kMaxReadAllSize)
    {
        wxLogError("File %s to huge", path);
        return false;
    }
    const wxFileOffset skip = std::min<wxFileOffset>(static_cast<wxFileOffset>(m_data->markLength), size);
    const size_t length = static_cast<size_t>(size - skip);
    void* target = buffer.GetWriteBuf(length + kBufferSlack);
    const bool ok = file.Seek(skip) && file.Read(target, length) == length;
    buffer.UngetWriteBuf(ok ? length : 0);
    if (!ok)
        wxLogError("Can not open %s for read", path);
    return ok;
}

bool CFile::ReadAllStream(wxMemoryBuffer& buffer)
{
    wxInputStream& input = *m_data->input;
    if (input.IsSeekable())
        input.SeekI(static_cast<wxFileOffset>(m_data->markLength), wxFromStart);
    buffer.SetDataLen(0);
    char chunk[16 * 1024];
    while (true)
    {
        const size_t got = input.Read(chunk, sizeof(chunk)).LastRead();
        if (got == 0)
            break;
        buffer.AppendData(chunk, got);
    }
    return input.GetLastError() == wxSTREAM_NO_ERROR || input.GetLastError() == wxSTREAM_EOF;
}

void CFile::DetectEncoding()
{
    wxInputStream& input = *m_data->input;
    unsigned char mark[3] = {};
    const size_t got = input.Read(mark, 3).LastRead();
    size_t keep = 0;  // bytes read that are not part of a mark
    if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF)
    {
        m_data->encoding = kEncodingUtf8;
        m_data->markLength = 3;
    }
    else if (got >= 2 && ((mark[0] == 0xFE && mark[1] == 0xFF) || (mark[0] == 0xFF && mark[1] == 0xFE)))
    {
        m_data->encoding = mark[0] == 0xFE ? kEncodingUtf16Be : kEncodingUtf16Le;
        m_data->markLength = 2;
        keep = got - 2;
    }
    else
    {
        m_data->encoding = kEncodingUtf8;
        keep = got;
    }
    if (keep > 0)
        input.Ungetch(mark + got - keep, keep);
    if (m_data->encoding == kEncodingUtf16Be)
        m_data->conv.reset(new wxMBConvUTF16BE);
    else if (m_data->encoding == kEncodingUtf16Le)
        m_data->conv.reset(new wxMBConvUTF16LE);
    else
        m_data->conv.reset(new wxMBConvUTF8);
    m_data->text.reset(new wxTextInputStream(input, " \t", *m_data->conv));
}

wxString CFile::ReadLine()
{
    if (!m_data || !m_data->input)
        return wxString();
    if (m_data->encoding == kEncodingUnknown)
        DetectEncoding();
    if (Eof())
        return wxString();
    return m_data->text->ReadLine();
}

bool CFile::Eof() const
{
    if (!m_data || !m_data->input)
        return true;
    wxInputStream& input = *m_data->input;
    return !input.CanRead();
}

bool CFile::WriteAll(const void* bytes, size_t size)
{
    if (!m_data || !m_data->output)
        return false;
    return m_data->output->Write(bytes, size).LastWrite() == size;
}

bool CFile::Close()
{
    if (!m_data)
        return false;
    bool ok = true;
    if (m_data->ownsStreams && m_data->output)
    {
        ok = m_data->output->Close() && m_data->output->GetLastError() == wxSTREAM_NO_ERROR;
        for (wxOutputStream* inner : m_data->innerOutputs)
            ok = inner->Close() && ok;
    }
    Release();
    return ok;
}
