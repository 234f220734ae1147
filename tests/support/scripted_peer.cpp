#include "support/scripted_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace orvtest
{
namespace
{
constexpr int kSliceMs = 20;
constexpr int kExpectTimeoutMs = 5000;

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}
}  // namespace

ScriptedPeer::ScriptedPeer()
{
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(m_listen, 64);
    socklen_t length = sizeof(address);
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

ScriptedPeer::~ScriptedPeer()
{
    Stop();
    if (m_listen >= 0)
        close(m_listen);
}

ScriptedPeer& ScriptedPeer::Send(const std::string& bytes)
{
    m_script.push_back({Step::kSend, bytes});
    return *this;
}

ScriptedPeer& ScriptedPeer::SendLine(const std::string& line)
{
    return Send(line + "\n");
}

ScriptedPeer& ScriptedPeer::Expect(const std::string& line)
{
    m_script.push_back({Step::kExpect, line});
    return *this;
}

ScriptedPeer& ScriptedPeer::Reply(const std::string& expected, const std::string& reply)
{
    return Expect(expected).SendLine(reply);
}

ScriptedPeer& ScriptedPeer::Delay(int ms)
{
    m_script.push_back({Step::kDelay, std::string(), ms});
    return *this;
}

ScriptedPeer& ScriptedPeer::Close()
{
    m_script.push_back({Step::kClose, std::string()});
    return *this;
}

void ScriptedPeer::Start()
{
    m_thread = std::thread([this] { Serve(); });
}

void ScriptedPeer::StartEveryConnection()
{
    m_every = true;
    Start();
}

void ScriptedPeer::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void ScriptedPeer::Serve()
{
    bool first = true;
    while (!m_stop)
    {
        pollfd entry = {m_listen, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++m_connections;
        ServeConnection(fd, first || m_every);
        first = false;
    }
}

void ScriptedPeer::SetConnection(int fd)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_connection = fd;
    m_clientClosed = false;
    m_changed.notify_all();
}

void ScriptedPeer::ServeConnection(int fd, bool runScript)
{
    SetConnection(fd);
    std::string pending;
    bool keepOpen = runScript ? RunScript(fd, pending) : true;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_scriptDone = true;
        m_changed.notify_all();
    }
    if (keepOpen)
        Drain(fd, pending);
    std::lock_guard<std::mutex> guard(m_lock);
    close(fd);
    m_connection = -1;
    m_clientClosed = true;
    m_changed.notify_all();
}

// Runs the script; false when the connection is to be closed now.
bool ScriptedPeer::RunScript(int fd, std::string& pending)
{
    for (const Step& step : m_script)
    {
        if (m_stop)
            return false;
        std::string line;
        switch (step.kind)
        {
            case Step::kSend:
                if (!SendAll(fd, step.text))
                    Fail("send failed before: " + step.text);
                break;
            case Step::kExpect:
                if (!ReadLine(fd, pending, line, kExpectTimeoutMs))
                {
                    Fail("expected '" + step.text + "', got nothing");
                    return false;
                }
                if (line != step.text)
                {
                    Fail("expected '" + step.text + "', got '" + line + "'");
                    return false;
                }
                break;
            case Step::kDelay:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
                break;
            case Step::kClose:
                return false;
        }
    }
    return true;
}

bool ScriptedPeer::ReadLine(int fd, std::string& pending, std::string& line, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        std::size_t lf = pending.find('\n');
        if (lf != std::string::npos)
        {
            line = pending.substr(0, lf);
            pending.erase(0, lf + 1);
            std::lock_guard<std::mutex> guard(m_lock);
            m_received.push_back(line);
            m_changed.notify_all();
            return true;
        }
        if (m_stop || std::chrono::steady_clock::now() >= deadline)
            return false;
        pollfd entry = {fd, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        char chunk[4096];
        ssize_t got = recv(fd, chunk, sizeof(chunk), 0);
        if (got <= 0)
            return false;
        pending.append(chunk, static_cast<std::size_t>(got));
    }
}

// Records lines until the client closes or the peer stops.
void ScriptedPeer::Drain(int fd, std::string& pending)
{
    while (!m_stop)
    {
        std::string line;
        if (ReadLine(fd, pending, line, kSliceMs))
            continue;
        pollfd entry = {fd, POLLIN, 0};
        if (poll(&entry, 1, 0) > 0)
        {
            char probe;
            if (recv(fd, &probe, 1, MSG_PEEK) <= 0)
                return;
        }
    }
}

void ScriptedPeer::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_errors += message + "\n";
}

bool ScriptedPeer::WaitScriptDone(int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return m_scriptDone; });
}

bool ScriptedPeer::WaitClientClosed(int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return m_clientClosed; });
}

bool ScriptedPeer::Push(const std::string& bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_connection >= 0 && SendAll(m_connection, bytes);
}

std::vector<std::string> ScriptedPeer::Received() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_received;
}

std::string ScriptedPeer::Errors() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_errors;
}
}  // namespace orvtest
