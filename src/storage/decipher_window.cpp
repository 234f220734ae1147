#include "storage/decipher_window.h"

#include <algorithm>
#include <cstring>

#include "storage/blow_fish.h"
#include "storage/cipher_worker.h"

namespace
{
template <typename Number>
Number RoundUpToBlock(Number size)
{
    return (size + 7) / 8 * 8;
}
}  // namespace

CDecipherWindow::CDecipherWindow(wxInputStream& parent, const CBlowFish& cipher, wxFileOffset firstBlock,
                                 wxFileOffset blockBytes)
    : m_parent(parent), m_cipher(cipher), m_firstBlock(firstBlock), m_blockBytes(blockBytes)
{
}

// No job may touch the buffers or the cipher once the window is gone.
CDecipherWindow::~CDecipherWindow()
{
    for (CWindow& window : m_windows)
    {
        if (window.job)
            window.job->Cancel();
    }
}

void CDecipherWindow::ExpectRun(wxFileOffset start, wxFileOffset end)
{
    m_runStart = start;
    m_runEnd = end;
}

// Where the current run ends (block aligned, within the blocks); without a run, where it started.
wxFileOffset CDecipherWindow::RunEnd() const
{
    return std::max(m_runStart, std::min(RoundUpToBlock(m_runEnd), m_blockBytes));
}

bool CDecipherWindow::InRun(wxFileOffset position) const
{
    return position >= m_runStart && position < RunEnd();
}

bool CDecipherWindow::Read(wxFileOffset position, void* out, size_t size)
{
    unsigned char* to = static_cast<unsigned char*>(out);
    while (size > 0)
    {
        CWindow* window = Find(position);
        if (!window)
            window = Jump(position, size);
        if (!window)
            return false;
        const size_t offset = static_cast<size_t>(position - window->start);
        const size_t ready = window->job->Need(offset);
        if (!window->reached)
            Reach(*window);
        const size_t count = std::min(size, ready - offset);
        std::memcpy(to, window->bytes.data() + offset, count);
        to += count;
        position += static_cast<wxFileOffset>(count);
        size -= count;
    }
    return true;
}

CDecipherWindow::CWindow* CDecipherWindow::Find(wxFileOffset position)
{
    for (CWindow& window : m_windows)
    {
        if (window.Holds(position))
        {
            window.used = ++m_uses;
            return &window;
        }
    }
    return nullptr;
}

// The first read in a window (once it has its first bytes) starts the next one after it, larger when the reads
// came to it in order.
void CDecipherWindow::Reach(CWindow& window)
{
    window.reached = true;
    if (window.inOrder)
        m_aheadSize = std::min(2 * m_aheadSize, kMaxWindow);
    StartAhead(window);
}

// Starts a window at `position`, as large as the rest of the read asks for within the limits (in a run, as
// much of the run as a window holds). A parent that fails somewhere in a large window may still give the bytes
// this read needs, so that is tried before the read fails.
CDecipherWindow::CWindow* CDecipherWindow::Jump(wxFileOffset position, size_t want)
{
    WithdrawAll();
    const wxFileOffset start = position / 8 * 8;
    const size_t needed = std::min(RoundUpToBlock(static_cast<size_t>(position - start) + want), kMaxWindow);
    const bool inRun = InRun(position);
    const wxFileOffset limit = inRun ? RunEnd() : m_blockBytes;
    const size_t size = inRun ? kMaxWindow : std::max(needed, kMinWindow);
    CWindow* window =
        Start(start, static_cast<size_t>(std::min<wxFileOffset>(static_cast<wxFileOffset>(size), limit - start)));
    if (!window && size > needed)
        window = Start(start, needed);
    if (!window)
        return nullptr;
    // The reader needs the first piece now and takes it itself; a window of one piece is left to it alone.
    if (window->size > CCipherJob::kPieceSize)
        CCipherWorker::Get().Post(window->job);
    window->inOrder = false;
    m_aheadSize = size;
    return window;
}

// Empty windows first, then the one the reads left longest ago.
CDecipherWindow::CWindow& CDecipherWindow::LeastRecentlyUsed()
{
    CWindow* oldest = &m_windows[0];
    for (CWindow& window : m_windows)
    {
        if (window.size == 0)
            return window;
        if (window.used < oldest->used)
            oldest = &window;
    }
    return *oldest;
}

// Reads `size` enciphered bytes (fewer at the end of the blocks) for plaintext position `start` from the parent.
bool CDecipherWindow::Load(CWindow& window, wxFileOffset start, size_t size)
{
    window.size = 0;
    size = static_cast<size_t>(std::min<wxFileOffset>(static_cast<wxFileOffset>(size), m_blockBytes - start));
    if (window.bytes.size() < size)
        window.bytes.resize(size);
    const wxFileOffset at = m_firstBlock + start;
    if (m_parentAt != at && m_parent.SeekI(at, wxFromStart) != at)
    {
        m_parentAt = wxInvalidOffset;
        return false;
    }
    if (m_parent.Read(window.bytes.data(), size).LastRead() != size)
    {
        m_parentAt = wxInvalidOffset;
        return false;
    }
    m_parentAt = at + static_cast<wxFileOffset>(size);
    window.start = start;
    window.size = size;
    return true;
}

// Reads the window at plaintext position `start` from the parent into the least recently used buffer, with the
// job that deciphers it.
CDecipherWindow::CWindow* CDecipherWindow::Start(wxFileOffset start, size_t size)
{
    CWindow& window = LeastRecentlyUsed();
    if (window.job)
    {
        window.job->Cancel();
        window.job.reset();
    }
    if (!Load(window, start, size))
        return nullptr;
    window.used = ++m_uses;
    window.reached = false;
    window.inOrder = true;
    window.job = std::make_shared<CCipherJob>(m_cipher, window.bytes.data(), window.size);
    return &window;
}

// Starts the window after `from`, unless it is there already or the blocks or the run end. A parent that fails
// here is left for the reads to meet when they get there.
void CDecipherWindow::StartAhead(const CWindow& from)
{
    const wxFileOffset start = from.End();
    const wxFileOffset limit = InRun(start - 1) ? RunEnd() : m_blockBytes;
    if (start >= limit)
        return;
    for (const CWindow& window : m_windows)
    {
        if (window.Holds(start))
            return;
    }
    CWindow* window = Start(
        start, static_cast<size_t>(std::min<wxFileOffset>(static_cast<wxFileOffset>(m_aheadSize), limit - start)));
    if (window)
        CCipherWorker::Get().Post(window->job);
}

// After a jump, what the helper would still decipher of the other windows is probably not needed; the reads get
// any of it that they come back to themselves.
void CDecipherWindow::WithdrawAll()
{
    for (CWindow& window : m_windows)
    {
        if (window.job)
            window.job->Withdraw();
    }
}
