#include "protocol/orvanta_notify.h"

#include <chrono>
#include <vector>

#include <wx/log.h>

namespace
{
bool IsNotification(const wxString& line)
{
    return !line.empty() && line[0] == '!';
}

bool IsIntermediate(const wxString& line)
{
    return !line.empty() && line[0] == '+';
}
}  // namespace

COrvantaNotify::COrvantaNotify() : CThread(3, "Orv_notify") {}

COrvantaNotify::~COrvantaNotify()
{
    // A blocked read ends only when the socket goes; then the loop sees the stop request.
    m_client.Disconnect();
    Stop();
}

void COrvantaNotify::SetAsyncHandler(void* context, AsyncFunction function)
{
    std::lock_guard<std::mutex> guard(m_answerLock);
    m_asyncContext = context;
    m_asyncFunction = function;
}

// The receive loop is up and has not been asked to stop.
bool COrvantaNotify::IsReceiving()
{
    return IsRunning() && !IsStopRequested();
}

bool COrvantaNotify::CanExchange()
{
    return m_client.IsConnected() && m_client.IsLoggedIn() && IsReceiving();
}

int COrvantaNotify::Execute()
{
    m_client.SetConfiguredTimeout(kReceiveTimeoutMs);
    if (m_client.IsConnected())
        m_client.SetTimeout(kReceiveTimeoutMs);
    while (!TestDestroy())
    {
        const std::uint64_t connection = m_client.LoggedInConnection();
        if (connection == 0)
        {
            wxThread::Sleep(kIdleSleepMs);
            continue;
        }
        ReceiveOne(connection);
    }
    // Nobody may sleep on for an answer that will not come.
    std::lock_guard<std::mutex> guard(m_answerLock);
    SignalAnswers();
    return 0;
}

void COrvantaNotify::ReceiveOne(std::uint64_t connection)
{
    m_received.clear();
    const int result = m_client.ReadAllLoggedIn(connection, m_received);
    if (TestDestroy())
        return;
    if (result == CTelnetClient::kReceiveFailed)
    {
        // Only this connection: the host may already have opened a new one.
        m_client.DisconnectIfCurrent(connection);
        return;
    }
    if (result == CTelnetClient::kOk)
        SortLines(m_received);
}

// Sorts the lines in the order received. A run of answers is queued under one hold of the answer lock and wakes
// its waiter once, not once per line, and before the next notification goes to the handler, since the handler may
// block on a lock that the waiter holds. A notification needs the answer lock only while holding is on.
void COrvantaNotify::SortLines(std::vector<wxString>& lines)
{
    void* context;
    AsyncFunction function;
    {
        std::lock_guard<std::mutex> guard(m_answerLock);
        context = m_asyncContext;
        function = m_asyncFunction;
    }
    for (std::size_t i = 0; i < lines.size();)
    {
        if (IsNotification(lines[i]))
        {
            wxString& line = lines[i++];
            line.erase(0, 1);
            if (!HoldBack(line) && function)
                function(context, line);
            continue;
        }
        std::lock_guard<std::mutex> guard(m_answerLock);
        bool answered = false;
        for (; i < lines.size() && !IsNotification(lines[i]); ++i)
        {
            // An intermediate line is never an answer: it wakes nobody.
            answered = answered || !IsIntermediate(lines[i]);
            m_answers.emplace_back();
            m_answers.back().swap(lines[i]);
        }
        if (answered)
            SignalAnswers();
    }
}

// Queues a notification while holding is on; false when it is to be delivered now.
bool COrvantaNotify::HoldBack(wxString& line)
{
    if (!m_hold.load(std::memory_order_acquire))
        return false;
    std::lock_guard<std::mutex> guard(m_answerLock);
    if (!m_hold.load(std::memory_order_relaxed))
        return false;  // released meanwhile, and the held lines are delivered: this one comes after them
    m_held.emplace_back();
    m_held.back().swap(line);
    return true;
}

// Answer lock held.
void COrvantaNotify::SignalAnswers()
{
    ++m_signals;
    m_answerSignal.notify_all();
}

void COrvantaNotify::PushAsync(const wxString& line)
{
    void* context;
    AsyncFunction function;
    {
        std::lock_guard<std::mutex> guard(m_answerLock);
        context = m_asyncContext;
        function = m_asyncFunction;
    }
    if (function)
        function(context, line);
}

bool COrvantaNotify::RequestAndWait(const wxString& command, wxString* answer)
{
    std::lock_guard<std::mutex> request(m_requestLock);
    if (!CanExchange())
        return false;
    return SendCommands(command) && WaitAnswer(command, answer);
}

size_t COrvantaNotify::GetPendingAnswerCount()
{
    std::lock_guard<std::mutex> guard(m_answerLock);
    return m_answers.size();
}

void COrvantaNotify::DiscardLateAnswers()
{
    std::lock_guard<std::mutex> guard(m_answerLock);
    if (m_answers.empty())
        return;
    wxLogError("O&V: late answer pending was not handled (count:%lu) first:%s",
               static_cast<unsigned long>(m_answers.size()), m_answers.front());
    m_answers.clear();
}

bool COrvantaNotify::SendCommands(const wxString& text)
{
    if (!CanExchange())
        return false;
    DiscardLateAnswers();
    if (m_client.SendText(text) != CTelnetClient::kOk)
    {
        wxLogError("Error Write Cmd %s", text);
        return false;
    }
    return true;
}

bool COrvantaNotify::WaitAnswer(const wxString& command, wxString* answer)
{
    if (answer)
        answer->clear();
    std::unique_lock<std::mutex> guard(m_answerLock);
    const Outcome outcome = TakeAnswer(guard, command, answer);
    guard.unlock();
    if (outcome == Outcome::kIncomplete)
        ReportIncomplete(command);
    return outcome == Outcome::kAnswered;
}

std::size_t COrvantaNotify::WaitAnswers(const std::vector<wxString>& commands, std::vector<wxString>& answers)
{
    const std::size_t first = answers.size();
    std::unique_lock<std::mutex> guard(m_answerLock);
    for (const wxString& command : commands)
    {
        answers.emplace_back();
        const Outcome outcome = TakeAnswer(guard, command, &answers.back());
        if (outcome == Outcome::kAnswered)
            continue;
        answers.pop_back();
        guard.unlock();
        if (outcome == Outcome::kIncomplete)
            ReportIncomplete(command);
        break;
    }
    return answers.size() - first;
}

// Answer lock held (released only while waiting). Takes the next answer line, dropping intermediate lines, and
// waits at most one answer time-out for one to come.
COrvantaNotify::Outcome COrvantaNotify::TakeAnswer(std::unique_lock<std::mutex>& guard, const wxString& command,
                                                   wxString* answer)
{
    bool waited = false;
    for (;;)
    {
        while (!m_answers.empty())
        {
            wxString& line = m_answers.front();
            const bool intermediate = IsIntermediate(line);
            if (!intermediate && answer)
                answer->swap(line);
            m_answers.pop_front();
            if (!intermediate)
                return Outcome::kAnswered;
        }
        if (waited || !m_client.IsConnected() || !m_client.IsLoggedIn())
            return Outcome::kIncomplete;
        const std::uint64_t seen = m_signals;
        const auto timeout = std::chrono::milliseconds(m_answerTimeout.load());
        ++m_waiters;
        const bool signalled = m_answerSignal.wait_for(guard, timeout, [&] { return m_signals != seen; });
        --m_waiters;
        if (!signalled)
        {
            wxLogError("Timeout on Wait for Cmd %s", command);
            return Outcome::kTimedOut;
        }
        waited = true;
    }
}

// Woken without an answer (only intermediate lines came, or the thread stopped), or not logged in: worth a message
// only while the receive loop runs.
void COrvantaNotify::ReportIncomplete(const wxString& command)
{
    if (IsReceiving())
        wxLogError("O&V: unexpected incomplete answer for command %s", command);
}

void COrvantaNotify::SetHoldAsync(bool hold)
{
    std::deque<wxString> released;
    {
        std::lock_guard<std::mutex> guard(m_answerLock);
        if (m_hold.load(std::memory_order_relaxed) == hold)
            return;
        if (hold)
        {
            m_hold.store(true, std::memory_order_release);
            return;
        }
        released.swap(m_held);
    }
    // Holding stays on until the held queue is drained: a notification that arrives meanwhile is queued behind the
    // held ones instead of overtaking them, so a variable never ends on an older value than the device's last.
    for (;;)
    {
        for (const wxString& line : released)
            PushAsync(line);
        released.clear();
        std::lock_guard<std::mutex> guard(m_answerLock);
        if (m_held.empty())
        {
            m_hold.store(false, std::memory_order_release);
            return;
        }
        released.swap(m_held);
    }
}
