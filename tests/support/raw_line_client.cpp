#include "support/raw_line_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace orvtest
{
namespace
{
int MsLeft(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

RawLineClient::~RawLineClient()
{
    Close();
}

bool RawLineClient::Connect(int port, int timeoutMs)
{
    Close();
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    timeval limit = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
    {
        Close();
        return false;
    }
    int one = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return true;
}

void RawLineClient::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

bool RawLineClient::SendRaw(const std::string& bytes)
{
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size())
    {
        ssize_t sent = send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return m_fd >= 0;
}

bool RawLineClient::SendLine(const std::string& line)
{
    return SendRaw(line + "\n");
}

int RawLineClient::Fill(int timeoutMs)
{
    if (m_fd < 0)
        return -1;
    pollfd entry = {m_fd, POLLIN, 0};
    int ready = poll(&entry, 1, timeoutMs);
    if (ready <= 0)
        return ready < 0 ? -1 : 0;
    char chunk[65536];
    ssize_t got = recv(m_fd, chunk, sizeof(chunk), 0);
    if (got <= 0)
        return -1;
    m_pending.append(chunk, static_cast<std::size_t>(got));
    return 1;
}

bool RawLineClient::ReadLine(std::string& line, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        std::size_t lf = m_pending.find('\n');
        if (lf != std::string::npos)
        {
            line = m_pending.substr(0, lf);
            m_pending.erase(0, lf + 1);
            return true;
        }
        if (Fill(MsLeft(deadline)) <= 0)
            return false;
    }
}

std::string RawLineClient::Ask(const std::string& command, int timeoutMs)
{
    if (!SendLine(command))
        return std::string();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (ReadLine(line, MsLeft(deadline)))
    {
        if (line.empty() || (line[0] != '!' && line[0] != '+'))
            return line;
    }
    return std::string();
}

bool RawLineClient::WaitClosed(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        int result = Fill(MsLeft(deadline));
        if (result < 0)
            return true;
        if (result == 0)
            return false;
        m_pending.clear();
    }
}
}  // namespace orvtest
