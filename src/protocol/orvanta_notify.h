#pragma once
// COrvantaNotify: the receive thread of one device connection. It owns the host's session client and, once the
// client is logged in, is the only reader of its socket. Every received line is sorted: notifications ('!') go to
// the owner's async handler (or are held back while holding is on), everything else goes to the answer queue where
// the thread that sent a command picks its answer up. It also offers the request side: send a command or a batch,
// then wait for the answer lines.
//
// Locks, outermost first: the request lock (one exchange or batch in flight), then the answer lock (answer queue,
// held queue, hold flag). The async handler is never called with either lock held by this class.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include <wx/string.h>

#include "protocol/orvanta_client.h"
#include "protocol/thread.h"

class COrvantaNotify : public CThread
{
public:
    // Receives one asynchronous line without its '!'; called on the receive thread (live delivery) or on the
    // thread that releases holding (late delivery).
    using AsyncFunction = void (*)(void* context, const wxString& line);

    static constexpr int kAnswerTimeoutMs = 1000;
    static constexpr int kReceiveTimeoutMs = 60000;
    static constexpr int kIdleSleepMs = 100;

    COrvantaNotify();
    ~COrvantaNotify() override;

    // Set by the owner before Start.
    void SetAsyncHandler(void* context, AsyncFunction function);

    // The session client: the owner opens, logs in, disconnects and configures it. Any thread.
    COrvantaClient& GetClient() { return m_client; }
    // Held by callers for a whole batch (SendCommands, then one WaitAnswer per command). Any thread.
    std::mutex& GetRequestLock() { return m_requestLock; }

    // One exchange: send the command and wait for its answer (answer may be null). Any thread but this one; takes
    // the request lock.
    bool RequestAndWait(const wxString& command, wxString* answer);
    // Sends one command or a batch (lines each ended by LF) without waiting. Caller holds the request lock.
    bool SendCommands(const wxString& text);
    // Takes the next answer line; command is used in messages only. Caller holds the request lock.
    bool WaitAnswer(const wxString& command, wxString* answer);
    // Takes the answers of a batch, one per command in order, as one WaitAnswer per command would, but takes every
    // answer already received under one hold of the answer lock. Stops at the first answer that does not come;
    // appends the answers taken and returns their number. Caller holds the request lock.
    std::size_t WaitAnswers(const std::vector<wxString>& commands, std::vector<wxString>& answers);
    // Holds asynchronous lines back, or releases them: the held lines are delivered, oldest first, on the calling
    // thread. Any thread but this one.
    void SetHoldAsync(bool hold);

    // How long WaitAnswer waits for a line; only tests shorten it. Any thread.
    void SetAnswerTimeout(int ms) { m_answerTimeout.store(ms); }
    // Number of received lines that no waiter has taken yet. Any thread; takes the answer lock.
    size_t GetPendingAnswerCount();
    // Number of threads waiting for an answer signal right now. Any thread.
    int GetWaiterCount() const { return m_waiters.load(); }

protected:
    int Execute() override;

private:
    enum class Outcome
    {
        kAnswered,
        kTimedOut,
        kIncomplete,
    };

    bool IsReceiving();
    Outcome TakeAnswer(std::unique_lock<std::mutex>& guard, const wxString& command, wxString* answer);
    void ReportIncomplete(const wxString& command);
    bool CanExchange();
    void ReceiveOne(std::uint64_t connection);
    void SortLines(std::vector<wxString>& lines);
    bool HoldBack(wxString& line);
    void SignalAnswers();
    void PushAsync(const wxString& line);
    void DiscardLateAnswers();

    // Set before Start, read by the receive thread and by threads releasing holding.
    void* m_asyncContext = nullptr;
    AsyncFunction m_asyncFunction = nullptr;

    COrvantaClient m_client;
    std::mutex m_requestLock;
    std::vector<wxString> m_received;  // receive thread only: the lines of one read

    std::mutex m_answerLock;  // guards the fields below
    std::condition_variable m_answerSignal;
    std::deque<wxString> m_answers;
    std::deque<wxString> m_held;
    std::atomic<bool> m_hold{false};  // written under the answer lock; read without it by the receive thread
    std::uint64_t m_signals = 0;      // counts broadcasts, so that a waiter tells a real one from a spurious wake-up

    std::atomic<int> m_answerTimeout{kAnswerTimeoutMs};
    std::atomic<int> m_waiters{0};
};
