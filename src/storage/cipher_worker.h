#pragma once
// Deciphering on a second core: CCipherJob is one run of package blocks to decipher, cut into pieces that any
// thread may claim; CCipherWorker is the process-wide helper thread that works through posted jobs.
//
// The thread that owns a job never depends on the helper: when it needs a piece nobody has started, it
// deciphers that piece itself, and it only ever waits for a piece the helper is already working on. So a busy,
// slow or absent helper (a one-core machine) costs time, never a result, and the bytes are those Decrypt gives
// in one call. The owner can use the first pieces while the helper is still on later ones.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class CBlowFish;

class CCipherJob
{
public:
    // Bytes per piece: enough work (some tens of microseconds) to be worth a claim, small enough that the owner
    // never waits long for a piece in the helper's hands.
    static constexpr size_t kPieceSize = 16 * 1024;

    // Deciphers `size` bytes (a multiple of 8) of `data` in place with `cipher`. Both must stay until the owner
    // has every piece it needs and has cancelled the job.
    CCipherJob(const CBlowFish& cipher, unsigned char* data, size_t size);
    CCipherJob(const CCipherJob&) = delete;
    CCipherJob& operator=(const CCipherJob&) = delete;

    // Any thread: deciphers the pieces nobody has started, in order.
    void Help();
    // Owner's thread: makes sure the piece holding byte `offset` is deciphered (doing it here if nobody has
    // started it) and returns the end of the deciphered bytes from there on.
    size_t Need(size_t offset);
    // Owner's thread: the helper starts no more pieces of this job; the owner still gets any piece by Need.
    void Withdraw();
    // Owner's thread: withdraws the job and waits for the pieces under way; afterwards the data and the cipher
    // are no longer touched.
    void Cancel();

private:
    enum PieceState : uint8_t
    {
        kFree,
        kClaimed,
        kDone,
        kWithdrawn,  // left for the owner
    };

    bool Claim(size_t piece, uint8_t from);
    bool OwnerClaim(size_t piece);
    void Run(size_t piece);
    bool IsDone(size_t piece) const;
    void HelpUntilDone(size_t piece);
    void WaitUntilDone(size_t piece);

    const CBlowFish& m_cipher;
    unsigned char* const m_data;
    const size_t m_size;
    const size_t m_pieces;
    // Claimed by a compare-and-swap (the helper from kFree, the owner also from kWithdrawn); set to kDone under
    // m_mutex.
    std::unique_ptr<std::atomic<uint8_t>[]> m_state;
    std::atomic<size_t> m_helpFrom{0};  // first piece the helpers have not looked at
    std::mutex m_mutex;
    std::condition_variable m_progress;
};

class CCipherWorker
{
public:
    // Any thread: the helper of the process, started on first use and stopped when the program ends.
    static CCipherWorker& Get();
    ~CCipherWorker();

    // Any thread: queues the job for the helper. Without a helper (one core) the owner does every piece.
    void Post(std::shared_ptr<CCipherJob> job);

private:
    CCipherWorker();
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<CCipherJob>> m_queue;  // guarded by m_mutex
    bool m_stop = false;                              // guarded by m_mutex
    std::atomic<size_t> m_queued{0};                  // the queue's length, for looking without the lock
    // Never logs, so it needs no log target of its own.
    std::thread m_thread;
};
