#include "storage/blow_fish_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "storage/decipher_window.h"

namespace
{
const unsigned char kVersion = 0x01;
const char kMagic[4] = {'V', 'K', 'M', 'C'};
const size_t kBlock = 8;
const size_t kHeaderSize = 8;
const size_t kTrailerSize = 8;
// Largest run of blocks enciphered in one go on the way out.
const size_t kScratchSize = 64 * 1024;

// The first three bytes of the tag, padded with zeros.
void TagBytes(const wxString& tag, unsigned char out[3])
{
    std::memset(out, 0, 3);
    wxCharBuffer bytes = tag.Left(3).mb_str(*wxConvCurrent);
    std::memcpy(out, bytes.data(), std::min<size_t>(bytes.length(), 3));
}

uint32_t LoadLittle32(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
}  // namespace

void KeyCipher(CBlowFish& cipher, const wxString& key)
{
    wxCharBuffer bytes = key.mb_str(*wxConvCurrent);
    cipher.SetKey(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.length());
}

// ---------------------------------------------------------------------------------------------------------------

wxBlowFishInputStream::wxBlowFishInputStream(wxInputStream& parent, const wxString& key, const wxString& tag)
    : wxFilterInputStream(parent)
{
    m_fault = CheckFrame(tag);
    if (m_fault == PackageFault::None)
    {
        KeyCipher(m_cipher, key);
        const wxFileOffset blockBytes = (m_length + kBlock - 1) / kBlock * kBlock;
        m_window.reset(new CDecipherWindow(parent, m_cipher, kHeaderSize, blockBytes));
    }
    else
        m_lasterror = wxSTREAM_READ_ERROR;
}

// The window goes first: it waits for the helper to let go of its blocks and of the cipher.
wxBlowFishInputStream::~wxBlowFishInputStream()
{
    m_window.reset();
}

PackageFault wxBlowFishInputStream::CheckFrame(const wxString& tag)
{
    wxInputStream& parent = *m_parent_i_stream;
    unsigned char header[kHeaderSize];
    if (parent.Read(header, kHeaderSize).LastRead() != kHeaderSize)
        return PackageFault::Short;
    unsigned char expected[3];
    TagBytes(tag, expected);
    if (header[0] != kVersion)
        return PackageFault::Version;
    if (std::memcmp(header + 1, expected, 3) != 0)
        return PackageFault::Tag;
    if (std::memcmp(header + 4, kMagic, 4) != 0)
        return PackageFault::Magic;

    const wxFileOffset trailerAt = parent.SeekI(-static_cast<wxFileOffset>(kTrailerSize), wxFromEnd);
    unsigned char trailer[kTrailerSize];
    if (trailerAt == wxInvalidOffset || trailerAt < static_cast<wxFileOffset>(kHeaderSize) ||
        parent.Read(trailer, kTrailerSize).LastRead() != kTrailerSize)
        return PackageFault::Short;
    if (std::memcmp(trailer + 4, kMagic, 4) != 0)
        return PackageFault::Trailer;

    // The field holds the low 32 bits of the length; the number of blocks between header and trailer fixes the
    // rest. A field that does not fit the blocks means a cut or damaged file.
    const uint64_t body = static_cast<uint64_t>(trailerAt) - kHeaderSize;
    if (body % kBlock != 0)
        return PackageFault::Length;
    const uint64_t padding = (body - LoadLittle32(trailer)) & 0xFFFFFFFFu;  // zero bytes in the last block
    if (padding >= kBlock || padding > body)
        return PackageFault::Length;
    const uint64_t length = body - padding;
    m_length = static_cast<wxFileOffset>(length);

    if (parent.SeekI(kHeaderSize, wxFromStart) == wxInvalidOffset)
        return PackageFault::Short;
    return PackageFault::None;
}

wxString wxBlowFishInputStream::GetFaultText() const
{
    switch (m_fault)
    {
        case PackageFault::None:
            return wxString();
        case PackageFault::Short:
            return "too short or unreadable";
        case PackageFault::Version:
            return "unknown format version";
        case PackageFault::Tag:
            return "package of another type";
        case PackageFault::Magic:
            return "bad header";
        case PackageFault::Trailer:
            return "bad trailer (cut or damaged)";
        case PackageFault::Length:
            return "length does not match the data (cut or damaged)";
    }
    return wxString();
}

wxFileOffset wxBlowFishInputStream::GetLength() const
{
    return IsValid() ? m_length : wxInvalidOffset;
}

char wxBlowFishInputStream::Peek()
{
    // The filter's own Peek would show the parent's next byte, which is cipher text.
    return wxInputStream::Peek();
}

void wxBlowFishInputStream::ExpectRun(wxFileOffset start, wxFileOffset end)
{
    if (m_window)
        m_window->ExpectRun(start, std::min(end, m_length));
}

size_t wxBlowFishInputStream::OnSysRead(void* buffer, size_t size)
{
    if (!IsValid())
    {
        m_lasterror = wxSTREAM_READ_ERROR;
        return 0;
    }
    if (m_position >= m_length)
    {
        m_lasterror = wxSTREAM_EOF;
        return 0;
    }
    size = static_cast<size_t>(std::min<wxFileOffset>(size, m_length - m_position));
    if (!m_window->Read(m_position, buffer, size))
    {
        m_lasterror = wxSTREAM_READ_ERROR;
        return 0;
    }
    m_position += static_cast<wxFileOffset>(size);
    return size;
}

// Offsets come from the archive, which may be crafted: a target beyond what a file offset holds is refused.
wxFileOffset wxBlowFishInputStream::OnSysSeek(wxFileOffset offset, wxSeekMode mode)
{
    if (!IsValid())
        return wxInvalidOffset;
    const wxFileOffset base = mode == wxFromEnd ? m_length : mode == wxFromCurrent ? m_position : 0;
    if (offset > std::numeric_limits<wxFileOffset>::max() - base || base + offset < 0)
        return wxInvalidOffset;
    m_position = base + offset;
    return m_position;
}

wxFileOffset wxBlowFishInputStream::OnSysTell() const
{
    return IsValid() ? m_position : wxInvalidOffset;
}

// ---------------------------------------------------------------------------------------------------------------

wxBlowFishOutputStream::wxBlowFishOutputStream(wxOutputStream& parent, const wxString& key, const wxString& tag)
    : wxFilterOutputStream(parent)
{
    KeyCipher(m_cipher, key);
    unsigned char header[kHeaderSize] = {kVersion};
    TagBytes(tag, header + 1);
    std::memcpy(header + 4, kMagic, 4);
    WriteParent(header, kHeaderSize);
}

bool wxBlowFishOutputStream::WriteParent(const void* bytes, size_t size)
{
    if (m_parent_o_stream->Write(bytes, size).LastWrite() != size)
    {
        m_broken = true;
        m_lasterror = wxSTREAM_WRITE_ERROR;
        return false;
    }
    return true;
}

size_t wxBlowFishOutputStream::OnSysWrite(const void* buffer, size_t size)
{
    if (m_closed || m_broken)
    {
        m_lasterror = wxSTREAM_WRITE_ERROR;
        return 0;
    }
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    size_t left = size;
    if (m_pendingLength > 0)
    {
        const size_t count = std::min(kBlock - m_pendingLength, left);
        std::memcpy(m_pending + m_pendingLength, in, count);
        m_pendingLength += count;
        in += count;
        left -= count;
        if (m_pendingLength < kBlock)
        {
            m_total += size;
            return size;
        }
        m_cipher.Encrypt(m_pending, m_pending, kBlock);
        m_pendingLength = 0;
        if (!WriteParent(m_pending, kBlock))
            return 0;
    }
    while (left >= kBlock)
    {
        const size_t chunk = std::min(left / kBlock * kBlock, kScratchSize);
        m_scratch.resize(std::max(m_scratch.size(), chunk));
        m_cipher.Encrypt(m_scratch.data(), in, chunk);
        if (!WriteParent(m_scratch.data(), chunk))
            return 0;
        in += chunk;
        left -= chunk;
    }
    std::memcpy(m_pending, in, left);
    m_pendingLength = left;
    m_total += size;
    return size;
}

void wxBlowFishOutputStream::Sync()
{
    m_parent_o_stream->Sync();
}

bool wxBlowFishOutputStream::Close()
{
    if (m_closed)
        return !m_broken;
    m_closed = true;
    if (!m_broken && m_pendingLength > 0)
    {
        std::memset(m_pending + m_pendingLength, 0, kBlock - m_pendingLength);
        m_cipher.Encrypt(m_pending, m_pending, kBlock);
        m_pendingLength = 0;
        WriteParent(m_pending, kBlock);
    }
    if (!m_broken)
    {
        const uint32_t low = static_cast<uint32_t>(m_total);
        const unsigned char trailer[kTrailerSize] = {static_cast<unsigned char>(low),
                                                     static_cast<unsigned char>(low >> 8),
                                                     static_cast<unsigned char>(low >> 16),
                                                     static_cast<unsigned char>(low >> 24),
                                                     'V',
                                                     'K',
                                                     'M',
                                                     'C'};
        WriteParent(trailer, kTrailerSize);
    }
    m_parent_o_stream->Sync();
    const bool parentClosed = m_parent_o_stream->Close() && m_parent_o_stream->GetLastError() == wxSTREAM_NO_ERROR;
    if (!parentClosed)
    {
        m_broken = true;
        m_lasterror = wxSTREAM_WRITE_ERROR;
    }
    return !m_broken;
}
