#include "device_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device_session.h"

namespace devicesim
{
namespace
{
constexpr int kAcceptSliceMs = 50;

int OpenListener(const std::string& host, int port, std::string& error)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0 || !addresses)
    {
        error = "cannot resolve " + host;
        return -1;
    }
    int fd = socket(addresses->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (fd < 0 || bind(fd, addresses->ai_addr, addresses->ai_addrlen) != 0 || listen(fd, 64) != 0)
    {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    freeaddrinfo(addresses);
    return fd;
}

int BoundPort(int fd)
{
    sockaddr_storage address = {};
    socklen_t length = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}
}  // namespace

DeviceServer::DeviceServer(DeviceModel& model, const ServerOptions& options) : m_model(model), m_options(options) {}

DeviceServer::~DeviceServer()
{
    Stop();
}

bool DeviceServer::Start(std::string& error)
{
    m_listen = OpenListener(m_options.bind, m_port ? m_port : m_options.port, error);
    if (m_listen < 0)
        return false;
    m_port = BoundPort(m_listen);
    m_stop = false;
    m_listenerId =
        m_model.AddListener([this](const std::string& name, const std::string& value) { OnChange(name, value); });
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    if (m_options.meterPeriodMs > 0)
        m_meterThread = std::thread([this] { MeterLoop(); });
    if (m_options.floodRate != 0)
        StartFlood(m_options.floodRate, m_options.floodNames);
    return true;
}

void DeviceServer::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_waitLock);
        m_stop = true;
        m_wake.notify_all();
    }
    StopFlood();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (m_meterThread.joinable())
        m_meterThread.join();
    if (m_listen >= 0)
        close(m_listen);
    m_listen = -1;
    ReapClosed(true);
    if (m_listenerId)
        m_model.RemoveListener(m_listenerId);
    m_listenerId = 0;
}

void DeviceServer::AcceptLoop()
{
    while (!m_stop)
    {
        ReapClosed(false);
        pollfd entry = {m_listen, POLLIN, 0};
        if (poll(&entry, 1, kAcceptSliceMs) <= 0)
            continue;
        int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        auto session = std::make_shared<DeviceSession>(fd, *this);
        {
            std::lock_guard<std::mutex> guard(m_sessionsLock);
            m_sessions.push_back(session);
        }
        session->Start();
    }
}

// Forgets sessions whose threads have ended (all of them, closing them first, when stopping).
void DeviceServer::ReapClosed(bool all)
{
    std::vector<std::shared_ptr<DeviceSession>> ended;
    {
        std::lock_guard<std::mutex> guard(m_sessionsLock);
        auto keep = [all](const std::shared_ptr<DeviceSession>& session) { return !all && !session->IsFinished(); };
        auto split = std::stable_partition(m_sessions.begin(), m_sessions.end(), keep);
        ended.assign(split, m_sessions.end());
        m_sessions.erase(split, m_sessions.end());
    }
    for (auto& session : ended)
        session->Close();
    ended.clear();  // joins their threads, outside the lock
}

std::vector<std::shared_ptr<DeviceSession>> DeviceServer::Sessions()
{
    std::lock_guard<std::mutex> guard(m_sessionsLock);
    return m_sessions;
}

std::size_t DeviceServer::SessionCount()
{
    std::size_t count = 0;
    for (auto& session : Sessions())
        count += session->IsClosed() ? 0 : 1;
    return count;
}

std::size_t DeviceServer::LoggedInCount()
{
    std::size_t count = 0;
    for (auto& session : Sessions())
        count += (!session->IsClosed() && session->IsLoggedIn()) ? 1 : 0;
    return count;
}

void DeviceServer::OnChange(const std::string& name, const std::string& value)
{
    const std::string upper = UpperName(name);
    const std::string line = "!" + name + "=" + value + "\n";
    std::lock_guard<std::mutex> guard(m_sessionsLock);
    for (auto& session : m_sessions)
    {
        if (!session->IsClosed() && session->IsSubscribed(upper))
            session->Enqueue(line);
    }
}

void DeviceServer::Logout(const std::string& reason)
{
    for (auto& session : Sessions())
    {
        session->Enqueue("!LOGOUT " + reason + "\n");
        session->CloseAfterFlush();
    }
}

void DeviceServer::Broadcast(const std::string& bytes)
{
    for (auto& session : Sessions())
        session->Enqueue(bytes);
}

void DeviceServer::MeterLoop()
{
    std::unique_lock<std::mutex> guard(m_waitLock);
    while (!m_stop)
    {
        m_wake.wait_for(guard, std::chrono::milliseconds(m_options.meterPeriodMs));
        if (m_stop)
            break;
        guard.unlock();
        m_model.AnimateMeters();
        guard.lock();
    }
}
}  // namespace devicesim
