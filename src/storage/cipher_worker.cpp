#include "storage/cipher_worker.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "storage/blow_fish.h"

namespace
{
// Waits that are about to end are spun out instead of slept through: putting a thread to sleep and waking it
// costs tens of microseconds (more on a virtual machine), as much as deciphering a piece.
const std::chrono::microseconds kPieceSpin(100);
const std::chrono::microseconds kIdleSpin(250);

// True once `ready` holds, false when it did not within `limit`. Yields the processor meanwhile.
template <typename Ready>
bool SpinUntil(Ready ready, std::chrono::microseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!ready())
    {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::yield();
    }
    return true;
}
}  // namespace

CCipherJob::CCipherJob(const CBlowFish& cipher, unsigned char* data, size_t size)
    : m_cipher(cipher),
      m_data(data),
      m_size(size),
      m_pieces((size + kPieceSize - 1) / kPieceSize),
      m_state(new std::atomic<uint8_t>[m_pieces])
{
    for (size_t piece = 0; piece < m_pieces; ++piece)
        m_state[piece].store(kFree, std::memory_order_relaxed);
}

bool CCipherJob::Claim(size_t piece, uint8_t from)
{
    uint8_t expected = from;
    return m_state[piece].compare_exchange_strong(expected, kClaimed);
}

bool CCipherJob::OwnerClaim(size_t piece)
{
    return Claim(piece, kFree) || Claim(piece, kWithdrawn);
}

// Deciphers a claimed piece. Marked done under the lock, and notified there: once the owner sees its last
// piece done it may let go of the job.
void CCipherJob::Run(size_t piece)
{
    const size_t at = piece * kPieceSize;
    m_cipher.Decrypt(m_data + at, m_data + at, std::min(kPieceSize, m_size - at));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state[piece].store(kDone, std::memory_order_release);
    m_progress.notify_all();
}

bool CCipherJob::IsDone(size_t piece) const
{
    return m_state[piece].load(std::memory_order_acquire) == kDone;
}

// The piece is in the helper's hands, so it is done within a piece's time unless the helper lost its processor.
void CCipherJob::WaitUntilDone(size_t piece)
{
    if (SpinUntil([&] { return IsDone(piece); }, kPieceSpin))
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_progress.wait(lock, [&] { return IsDone(piece); });
}

void CCipherJob::Help()
{
    for (size_t piece = m_helpFrom++; piece < m_pieces; piece = m_helpFrom++)
    {
        if (Claim(piece, kFree))
            Run(piece);
    }
}

size_t CCipherJob::Need(size_t offset)
{
    const size_t piece = offset / kPieceSize;
    if (OwnerClaim(piece))
        Run(piece);
    else
        HelpUntilDone(piece);
    size_t end = piece + 1;
    while (end < m_pieces && IsDone(end))
        ++end;
    return std::min(end * kPieceSize, m_size);
}

// The helper is on `piece`. Meanwhile the owner deciphers pieces nobody has started, from the back: the helper
// works from the front, so they meet instead of queueing behind each other.
void CCipherJob::HelpUntilDone(size_t piece)
{
    for (size_t last = m_pieces; last > piece + 1 && !IsDone(piece); --last)
    {
        if (OwnerClaim(last - 1))
            Run(last - 1);
    }
    WaitUntilDone(piece);
}

void CCipherJob::Withdraw()
{
    for (size_t piece = 0; piece < m_pieces; ++piece)
    {
        uint8_t expected = kFree;
        m_state[piece].compare_exchange_strong(expected, kWithdrawn);
    }
}

void CCipherJob::Cancel()
{
    Withdraw();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_progress.wait(lock, [this] {
        for (size_t piece = 0; piece < m_pieces; ++piece)
        {
            if (m_state[piece].load(std::memory_order_acquire) == kClaimed)
                return false;
        }
        return true;
    });
}

// ---------------------------------------------------------------------------------------------------------------

CCipherWorker& CCipherWorker::Get()
{
    static CCipherWorker worker;
    return worker;
}

// Without a second processor, or when no thread can be started, the owners do all the work.
CCipherWorker::CCipherWorker()
{
    if (std::thread::hardware_concurrency() < 2)
        return;
    try
    {
        m_thread = std::thread([this] { Run(); });
    }
    catch (const std::system_error&)
    {
    }
}

CCipherWorker::~CCipherWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CCipherWorker::Post(std::shared_ptr<CCipherJob> job)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(job));
        m_queued.store(m_queue.size(), std::memory_order_release);
    }
    m_wake.notify_one();
}

// Helper thread: works through the jobs in the order they came. A job its owner has finished or cancelled in
// the meantime has no piece left to start and is dropped at once. While a reader goes through a package the
// jobs follow each other closely, so the helper stays awake a little while between them.
void CCipherWorker::Run()
{
    while (true)
    {
        SpinUntil([this] { return m_queued.load(std::memory_order_acquire) > 0; }, kIdleSpin);
        std::shared_ptr<CCipherJob> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_queued.store(m_queue.size(), std::memory_order_release);
        }
        job->Help();
    }
}
