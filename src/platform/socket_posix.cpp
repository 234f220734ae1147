#include "platform/socket.h"
#include "platform/socket_impl.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace
{
bool SetBlocking(int fd, bool blocking)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}
}  // namespace

SocketHandle SocketStartConnect(const SocketAddress& address, bool& connected)
{
    int fd = socket(address.family, address.type | SOCK_CLOEXEC, address.protocol);
    if (fd < 0)
        return kNoSocket;
    if (SetBlocking(fd, false))
    {
        const auto* target = reinterpret_cast<const sockaddr*>(address.address.data());
        connected = connect(fd, target, static_cast<socklen_t>(address.address.size())) == 0;
        if (connected || errno == EINPROGRESS)
            return fd;
    }
    close(fd);
    return kNoSocket;
}

int SocketWaitConnected(SocketHandle handle, int timeoutMs)
{
    pollfd entry = {static_cast<int>(handle), POLLOUT, 0};
    int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    int error = 0;
    socklen_t length = sizeof(error);
    if (getsockopt(static_cast<int>(handle), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return -1;
    return 1;
}

bool SocketFinishConnect(SocketHandle handle)
{
    const int fd = static_cast<int>(handle);
    int one = 1;
    // Commands are single short lines: send them at once rather than waiting to fill a segment.
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return SetBlocking(fd, true);
}

bool SocketSendAll(SocketHandle handle, const char* data, std::size_t size)
{
    while (size > 0)
    {
        // MSG_NOSIGNAL: a peer that has gone is a failed send, not a SIGPIPE that ends the program.
        ssize_t sent = send(static_cast<int>(handle), data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

SocketWaitResult SocketWaitReadable(SocketHandle handle, int timeoutMs)
{
    pollfd entry = {static_cast<int>(handle), POLLIN, 0};
    int ready = poll(&entry, 1, timeoutMs > 0 ? timeoutMs : 0);
    if (ready < 0)
        return errno == EINTR ? SocketWaitResult::TimedOut : SocketWaitResult::Failed;
    if (ready == 0)
        return SocketWaitResult::TimedOut;
    // POLLHUP and POLLERR count as readable: the receive that follows reports the end or the error.
    return SocketWaitResult::Readable;
}

long SocketPendingBytes(SocketHandle handle)
{
    int pending = 0;
    if (ioctl(static_cast<int>(handle), FIONREAD, &pending) != 0)
        return -1;
    return pending;
}

long SocketReceive(SocketHandle handle, char* data, std::size_t size)
{
    for (;;)
    {
        ssize_t got = recv(static_cast<int>(handle), data, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        return static_cast<long>(got);
    }
}

int SocketLastError()
{
    return errno;
}

bool SocketLastErrorIsTimeout()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

bool SocketSetReceiveTimeout(SocketHandle handle, int timeoutMs)
{
    if (timeoutMs < 0)
        timeoutMs = 0;
    timeval value = {};
    value.tv_sec = timeoutMs / 1000;
    value.tv_usec = (timeoutMs % 1000) * 1000;
    return setsockopt(static_cast<int>(handle), SOL_SOCKET, SO_RCVTIMEO, &value, sizeof(value)) == 0;
}

void SocketShutdown(SocketHandle handle)
{
    shutdown(static_cast<int>(handle), SHUT_RDWR);
}

void SocketClose(SocketHandle handle)
{
    close(static_cast<int>(handle));
}
