#include "device_session.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string_view>

#include "device_server.h"

namespace devicesim
{
namespace
{
// Bytes that are not UTF-8 (a lone continuation byte, an invalid lead byte, an overlong NUL) and a control byte.
const std::string kGarbageLine = "\xFF\xFEgarbage\x80\xC0\x80\x01\n";
}  // namespace

DeviceSession::DeviceSession(int fd, DeviceServer& server) : m_fd(fd), m_server(server) {}

DeviceSession::~DeviceSession()
{
    Close();
    if (m_reader.joinable())
        m_reader.join();
    if (m_writer.joinable())
        m_writer.join();
    close(m_fd);
}

void DeviceSession::Start()
{
    if (m_server.Options().greeting)
        Enqueue("READY\n");
    m_writer = std::thread([this] { WriteLoop(); });
    m_reader = std::thread([this] { ReadLoop(); });
}

void DeviceSession::Close()
{
    if (m_closing.exchange(true))
        return;
    shutdown(m_fd, SHUT_RDWR);
    std::lock_guard<std::mutex> guard(m_lock);
    m_wake.notify_all();
}

void DeviceSession::CloseAfterFlush()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_closeAfterFlush = true;
    m_wake.notify_all();
}

bool DeviceSession::IsSubscribed(const std::string& upperName)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_subscriptions.count(upperName) != 0;
}

void DeviceSession::Enqueue(const std::string& bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_outbox.size() + bytes.size() > kMaxBacklog)
    {
        // The client stopped reading: drop it instead of holding ever more memory for it.
        m_closing = true;
        shutdown(m_fd, SHUT_RDWR);
        m_wake.notify_all();
        return;
    }
    m_outbox += bytes;
    if (!m_holdWrites)
        m_wake.notify_all();
}

// While the reader answers the lines of one received chunk, the writer is not woken for each answer: everything
// queued meanwhile, answers and notifications in their order, goes out in one write when the chunk is done.
void DeviceSession::HoldWrites(bool hold)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_holdWrites = hold;
    if (!hold && !m_outbox.empty())
        m_wake.notify_all();
}

std::size_t DeviceSession::Backlog()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_outbox.size();
}

bool DeviceSession::SendAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t sent = send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// Waits until there is something to send or to do; false when the session ends.
bool DeviceSession::WaitForWork(std::unique_lock<std::mutex>& guard)
{
    for (;;)
    {
        if (m_closing)
            return false;
        if (!m_outbox.empty())
            return true;
        if (m_closeAfterFlush)
            return false;
        if (m_logoutPending && std::chrono::steady_clock::now() >= m_logoutAt)
        {
            m_logoutPending = false;
            m_outbox = "!LOGOUT " + m_server.Options().logoutReason + "\n";
            m_closeAfterFlush = true;
            return true;
        }
        if (m_logoutPending)
            m_wake.wait_until(guard, m_logoutAt);
        else
            m_wake.wait(guard);
    }
}

void DeviceSession::WriteLoop()
{
    std::unique_lock<std::mutex> guard(m_lock);
    while (WaitForWork(guard))
    {
        std::string bytes;
        bytes.swap(m_outbox);
        guard.unlock();
        const bool sent = SendAll(bytes);
        guard.lock();
        if (!sent)
            break;
    }
    guard.unlock();
    Close();
    m_writerDone = true;
}

void DeviceSession::ReadLoop()
{
    std::string pending;
    std::string line;
    char chunk[4096];
    while (!m_closing)
    {
        ssize_t got = recv(m_fd, chunk, sizeof(chunk), 0);
        if (got <= 0)
            break;
        pending.append(chunk, static_cast<std::size_t>(got));
        HoldWrites(true);
        std::size_t start = 0;
        for (std::size_t lf; !m_closing && (lf = pending.find('\n', start)) != std::string::npos; start = lf + 1)
        {
            std::size_t end = (lf > start && pending[lf - 1] == '\r') ? lf - 1 : lf;
            line.assign(pending, start, end - start);
            Handle(line);
        }
        FlushReplies();
        HoldWrites(false);
        pending.erase(0, start);
    }
    // A client that only closed its sending side still gets the answers to what it sent.
    CloseAfterFlush();
    m_readerDone = true;
}

void DeviceSession::Handle(const std::string& line)
{
    const ServerOptions& options = m_server.Options();
    ++m_linesReceived;
    if (options.closeAfterLines > 0 && m_linesReceived >= options.closeAfterLines)
    {
        Close();
        return;
    }
    if (line.empty())
        return;
    if (options.answerDelayMs > 0)
    {
        // Answers already made are not held back by the delay of this one.
        FlushReplies();
        HoldWrites(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(options.answerDelayMs));
        HoldWrites(true);
    }
    std::optional<std::string> answer = Execute(line);
    if (answer)
        Reply(*answer);
}

// Adds an answer, with the configured extras around it, to the answers of the chunk being handled.
void DeviceSession::Reply(const std::string& answer)
{
    const ServerOptions& options = m_server.Options();
    for (int i = 0; i < options.plusLines; ++i)
        m_replies += "+working\n";
    m_replies += answer;
    m_replies += '\n';
    ++m_answers;
    if (options.garbageEvery > 0 && m_answers % options.garbageEvery == 0)
        m_replies += kGarbageLine;
    if (options.overlongAfter > 0 && m_answers == options.overlongAfter)
        m_replies.append(options.overlongBytes, 'x').append(1, '\n');
}

// Queues the answers made so far. Done before anything else is queued on the reader's behalf (a notification of
// its own write or subscription), so that the client receives everything in the order the device made it.
void DeviceSession::FlushReplies()
{
    if (m_replies.empty())
        return;
    Enqueue(m_replies);
    m_replies.clear();
}

// The answer to one line; none when the answer has already been queued.
std::optional<std::string> DeviceSession::Execute(const std::string& line)
{
    if (line == "FORCEREPLY")
        return "OK";
    // The commands made of a word and an argument: LOGIN and the queries.
    const std::size_t space = line.find(' ');
    const std::string_view word(line.data(), space == std::string::npos ? line.size() : space);
    if (word == "LOGIN")
        return Login(space == std::string::npos ? std::string() : line.substr(space + 1));
    if (!m_loggedIn)
        return "*not logged in";
    for (const char* query : {"range", "channels", "dims", "logscale", "step"})
    {
        if (space != std::string::npos && word == query)
            return m_server.Model().Query(query, line.substr(space + 1));
    }
    const std::size_t equal = line.find('=');
    if (equal != std::string::npos && equal > 0)
        return Write(line.substr(0, equal), line.substr(equal + 1));
    const std::string name = line.substr(0, line.size() - 1);
    if (line.back() == '!' && !name.empty())
        return Subscribe(name);
    if (line.back() == '?' && !name.empty())
        return Read(name);
    return "*unknown command " + line;
}

std::string DeviceSession::Login(const std::string& credentials)
{
    const ServerOptions& options = m_server.Options();
    if (options.loginMode == ServerOptions::LoginMode::RefuseQuestion)
        return "?";
    if (options.loginMode == ServerOptions::LoginMode::RefuseStar)
        return "*login refused";
    if (!options.login.empty() && credentials != options.login)
        return "*invalid user or password";
    m_loggedIn = true;
    if (options.logoutAfterMs > 0)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_logoutPending = true;
        m_logoutAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.logoutAfterMs);
        m_wake.notify_all();
    }
    return "OK";
}

std::optional<std::string> DeviceSession::Subscribe(const std::string& name)
{
    std::optional<std::string> refusal;
    // Under the model lock: no change can slip between the subscription and the current value sent with it.
    bool known = m_server.Model().With(name, [&](const VariableSpec& variable) {
        if (variable.pollOnly)
        {
            refusal = "*" + variable.name + " can not be subscribed";
            return;
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_subscriptions.insert(UpperName(variable.name));
        }
        Reply("OK");
        FlushReplies();
        Enqueue("!" + variable.name + "=" + variable.value + "\n");
    });
    if (!known)
        return std::string("*unknown " + name);
    return refusal;
}

std::string DeviceSession::Read(const std::string& name)
{
    std::string value;
    if (!m_server.Model().Value(name, value))
        return "*unknown " + name;
    return value;
}

std::string DeviceSession::Write(const std::string& name, const std::string& value)
{
    FlushReplies();  // the write notifies its subscribers, this session among them
    std::string stored;
    switch (m_server.Model().Write(name, value, stored))
    {
        case DeviceModel::WriteResult::Stored:
            return stored;
        case DeviceModel::WriteResult::Unknown:
            return "*unknown " + name;
        case DeviceModel::WriteResult::ReadOnly:
            return "*read only " + name;
        case DeviceModel::WriteResult::NotANumber:
            return "*not a number: " + value;
    }
    return "*error";
}
}  // namespace devicesim
