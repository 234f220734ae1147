#pragma once
// The encrypted package stream: a zip archive enciphered with CBlowFish (ECB) inside a small frame.
//
//   offset 0       version byte 0x01
//   offset 1       three bytes of the package tag ("vks"), zero padded
//   offset 4       "VKMC"
//   offset 8       the plaintext in 8-byte blocks, the last one padded with zero bytes, enciphered
//   offset 8+8n    plaintext length, 32-bit little-endian
//   offset 12+8n   "VKMC"
//
// wxBlowFishInputStream reads and seeks in plaintext positions over a seekable parent, deciphering through a
// CDecipherWindow (large reads in order are deciphered ahead on a second core); wxBlowFishOutputStream
// enciphers whole blocks as they fill and writes the last block and the trailer on Close(). Neither logs: the
// directory tree above them reports problems with the names of the files involved. A stream is used by one
// thread at a time.
#include <wx/stream.h>

#include <memory>
#include <vector>

#include "storage/blow_fish.h"

class CDecipherWindow;

// Why an input stream refused its parent.
enum class PackageFault
{
    None,
    Short,    // too short to hold the frame, or unreadable
    Version,  // first byte is not 0x01
    Tag,      // written for another container type
    Magic,    // no "VKMC" after the tag
    Trailer,  // no "VKMC" at the end
    Length,   // the length field does not match the number of blocks
};

class wxBlowFishInputStream : public wxFilterInputStream
{
public:
    // The parent must be seekable and must outlive this stream. The framing is checked here.
    wxBlowFishInputStream(wxInputStream& parent, const wxString& key, const wxString& tag);
    ~wxBlowFishInputStream() override;

    bool IsValid() const { return m_fault == PackageFault::None; }
    PackageFault GetFault() const { return m_fault; }
    // A short description of the fault for error messages ("" when valid).
    wxString GetFaultText() const;

    // Plaintext length from the trailer.
    wxFileOffset GetLength() const override;
    // Next plaintext byte, left in the stream.
    char Peek() override;
    bool IsSeekable() const override { return true; }
    // Tells the stream that reads will go through the plaintext [start, end) in order, so that it deciphers ahead
    // as far as that and no farther.
    void ExpectRun(wxFileOffset start, wxFileOffset end);

protected:
    size_t OnSysRead(void* buffer, size_t size) override;
    wxFileOffset OnSysSeek(wxFileOffset offset, wxSeekMode mode) override;
    wxFileOffset OnSysTell() const override;

private:
    PackageFault CheckFrame(const wxString& tag);

    CBlowFish m_cipher;
    std::unique_ptr<CDecipherWindow> m_window;  // present once the frame is valid
    wxFileOffset m_position = 0;                // plaintext position
    wxFileOffset m_length = 0;                  // plaintext length
    PackageFault m_fault = PackageFault::Short;
};

class wxBlowFishOutputStream : public wxFilterOutputStream
{
public:
    // Writes the 8-byte header to the parent at once. The parent must outlive this stream.
    wxBlowFishOutputStream(wxOutputStream& parent, const wxString& key, const wxString& tag);
    // Without Close() the package stays unfinished (no last block, no trailer) and is refused when read.
    ~wxBlowFishOutputStream() override = default;

    wxFileOffset GetLength() const override { return static_cast<wxFileOffset>(m_total); }
    // Syncs the parent only; a partial block stays pending until Close().
    void Sync() override;
    // Writes the pending bytes as the last block, the trailer, then syncs and closes the parent. Later calls do
    // nothing. False when anything could not be written.
    bool Close() override;

protected:
    size_t OnSysWrite(const void* buffer, size_t size) override;
    wxFileOffset OnSysTell() const override { return static_cast<wxFileOffset>(m_total); }

private:
    bool WriteParent(const void* bytes, size_t size);

    CBlowFish m_cipher;
    uint64_t m_total = 0;
    unsigned char m_pending[8] = {};
    size_t m_pendingLength = 0;
    std::vector<unsigned char> m_scratch;
    bool m_closed = false;
    bool m_broken = false;
};

// Bytes of a key text as the cipher takes them.
void KeyCipher(CBlowFish& cipher, const wxString& key);
