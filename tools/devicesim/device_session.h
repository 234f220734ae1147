#pragma once
// DeviceSession: one client connection of the simulated device. A reader thread answers the client's lines in
// order; a writer thread sends the outgoing queue (answers and notifications), so that a slow client never stalls
// the device. The answers to the lines of one received chunk (a batch of commands) leave in one write, as a real
// device's would, instead of one write per line. The socket is closed only after both threads have ended.
//
// Enqueue, Close, IsSubscribed and the state queries may be called from any thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

namespace devicesim
{
class DeviceServer;

class DeviceSession
{
public:
    // A client that does not read more than this is dropped rather than letting the queue grow.
    static constexpr std::size_t kMaxBacklog = 64u * 1024 * 1024;

    DeviceSession(int fd, DeviceServer& server);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    void Start();
    // Ends the session now (what is queued is dropped).
    void Close();
    // Ends the session once everything queued has been sent.
    void CloseAfterFlush();
    bool IsFinished() const { return m_readerDone.load() && m_writerDone.load(); }
    bool IsClosed() const { return m_closing.load(); }
    bool IsLoggedIn() const { return m_loggedIn.load(); }

    bool IsSubscribed(const std::string& upperName);
    void Enqueue(const std::string& bytes);
    std::size_t Backlog();

private:
    void ReadLoop();
    void WriteLoop();
    bool WaitForWork(std::unique_lock<std::mutex>& guard);
    void HoldWrites(bool hold);
    bool SendAll(const std::string& bytes);
    void Handle(const std::string& line);
    void Reply(const std::string& answer);
    void FlushReplies();
    std::optional<std::string> Execute(const std::string& line);
    std::string Login(const std::string& credentials);
    std::optional<std::string> Subscribe(const std::string& name);
    std::string Read(const std::string& name);
    std::string Write(const std::string& name, const std::string& value);

    const int m_fd;
    DeviceServer& m_server;
    std::thread m_reader;
    std::thread m_writer;
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_readerDone{false};
    std::atomic<bool> m_writerDone{false};
    std::atomic<bool> m_loggedIn{false};
    int m_linesReceived = 0;  // reader thread only
    int m_answers = 0;        // reader thread only
    std::string m_replies;    // reader thread only: answers not yet queued

    std::mutex m_lock;  // guards the fields below
    std::condition_variable m_wake;
    std::string m_outbox;
    std::set<std::string> m_subscriptions;  // upper-cased names
    bool m_closeAfterFlush = false;
    bool m_holdWrites = false;  // the reader is answering a chunk: the writer is woken when it is done
    bool m_logoutPending = false;
    std::chrono::steady_clock::time_point m_logoutAt;
};
}  // namespace devicesim
