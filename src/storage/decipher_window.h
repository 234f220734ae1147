#pragma once
// CDecipherWindow: reads the plaintext of a package through windows of deciphered blocks. Each window is read
// from the parent in one go and deciphered piece by piece (CCipherJob), by the helper thread (CCipherWorker) and
// by the reader when it gets to a piece first. When a read reaches a window, the window after it is started, so
// that the helper deciphers ahead while the reader works on what it has.
//
// Windows grow while the reads go on in order (the zip reader inflating an entry asks for 16 KiB at a time) and
// start small again after a jump to another place, so that scattered small reads (entry headers, the zip's
// directory) decipher little more than they use. A reader that says where its reads will run (ExpectRun: an
// archive entry) gets a large window at once and none past the run's end. Three windows are kept, so that a
// read that steps back a little finds what it left while the window ahead stays.
//
// Owned by the package input stream. Thread contract: used by one thread at a time; only the helper's share of
// the deciphering runs elsewhere, and no job of this window outlives it.
#include <memory>
#include <vector>

#include <wx/stream.h>

class CBlowFish;
class CCipherJob;

class CDecipherWindow
{
public:
    static constexpr size_t kMinWindow = 16 * 1024;
    static constexpr size_t kMaxWindow = 256 * 1024;

    // The enciphered blocks lie in `parent` from offset `firstBlock` on, `blockBytes` bytes (a multiple of 8)
    // of them. The parent and the cipher must outlive the window; nothing else may move the parent meanwhile.
    CDecipherWindow(wxInputStream& parent, const CBlowFish& cipher, wxFileOffset firstBlock, wxFileOffset blockBytes);
    ~CDecipherWindow();
    CDecipherWindow(const CDecipherWindow&) = delete;
    CDecipherWindow& operator=(const CDecipherWindow&) = delete;

    // Reads will go through [start, end) in order (an archive entry): the first window there is large at once,
    // and no window ahead goes past its end. Reads outside it work as without it; a wrong run costs time only.
    void ExpectRun(wxFileOffset start, wxFileOffset end);

    // Copies the plaintext bytes from `position` on, `size` of them and all within the blocks, into `out`.
    // False when the parent could not give the blocks.
    bool Read(wxFileOffset position, void* out, size_t size);

private:
    struct CWindow
    {
        std::vector<unsigned char> bytes;  // holds at least `size` bytes; only grows
        wxFileOffset start = 0;            // plaintext position of bytes[0], a multiple of 8
        size_t size = 0;                   // 0 when the window holds nothing
        std::shared_ptr<CCipherJob> job;   // deciphers it, piece by piece; present whenever size > 0
        bool reached = false;              // a read has come to it
        bool inOrder = false;              // started ahead, not for a jump
        unsigned long used = 0;            // when a read last used it

        bool Holds(wxFileOffset position) const { return size > 0 && position >= start && position < End(); }
        wxFileOffset End() const { return start + static_cast<wxFileOffset>(size); }
    };
    static constexpr size_t kWindows = 3;

    CWindow* Find(wxFileOffset position);
    void Reach(CWindow& window);
    CWindow* Jump(wxFileOffset position, size_t want);
    CWindow* Start(wxFileOffset start, size_t size);
    CWindow& LeastRecentlyUsed();
    wxFileOffset RunEnd() const;
    bool InRun(wxFileOffset position) const;
    bool Load(CWindow& window, wxFileOffset start, size_t size);
    void StartAhead(const CWindow& from);
    void WithdrawAll();

    wxInputStream& m_parent;
    const CBlowFish& m_cipher;
    const wxFileOffset m_firstBlock;
    const wxFileOffset m_blockBytes;
    wxFileOffset m_parentAt = wxInvalidOffset;  // where the parent stands, when known
    CWindow m_windows[kWindows];
    unsigned long m_uses = 0;
    size_t m_aheadSize = kMinWindow;
    wxFileOffset m_runStart = 0;
    wxFileOffset m_runEnd = 0;
};
