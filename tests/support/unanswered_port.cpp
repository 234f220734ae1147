#include "support/unanswered_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvtest
{
CUnansweredPort::CUnansweredPort()
{
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(m_listen, 0);
    socklen_t length = sizeof(address);
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    for (int i = 0; i < 16 && !m_full; ++i)
        m_full = !FillOne(&address);
}

CUnansweredPort::~CUnansweredPort()
{
    for (int fd : m_fillers)
        close(fd);
    close(m_listen);
}

// Queues one more connection; false when it did not complete (the queue is full).
bool CUnansweredPort::FillOne(const void* address)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    m_fillers.push_back(fd);
    if (connect(fd, static_cast<const sockaddr*>(address), sizeof(sockaddr_in)) == 0)
        return true;
    pollfd entry = {fd, POLLOUT, 0};
    return poll(&entry, 1, 200) > 0;
}
}  // namespace orvtest
