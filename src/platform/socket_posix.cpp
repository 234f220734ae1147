#include "platform/socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace
{
// How often a connect in progress looks at the stop flag.
constexpr int kStopSliceMs = 20;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool StopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_acquire);
}

bool SetBlocking(int fd, bool blocking)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

// Waits for a non-blocking connect to finish: Connected, Failed (refused or out of time) or Stopped.
SocketConnectResult FinishConnect(int fd, Clock::time_point deadline, const std::atomic<bool>* stop)
{
    for (;;)
    {
        if (StopRequested(stop))
            return SocketConnectResult::Stopped;
        int left = RemainingMs(deadline);
        if (left == 0)
            return SocketConnectResult::Failed;
        pollfd entry = {fd, POLLOUT, 0};
        int ready = poll(&entry, 1, left < kStopSliceMs ? left : kStopSliceMs);
        if (ready < 0 && errno != EINTR)
            return SocketConnectResult::Failed;
        if (ready <= 0)
            continue;
        int error = 0;
        socklen_t length = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return SocketConnectResult::Failed;
        return SocketConnectResult::Connected;
    }
}

SocketConnectResult ConnectOne(const addrinfo* address, Clock::time_point deadline, const std::atomic<bool>* stop,
                               SocketHandle& handle)
{
    int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
    if (fd < 0)
        return SocketConnectResult::Failed;
    SocketConnectResult result = SocketConnectResult::Failed;
    if (SetBlocking(fd, false))
    {
        if (connect(fd, address->ai_addr, address->ai_addrlen) == 0)
            result = SocketConnectResult::Connected;
        else if (errno == EINPROGRESS)
            result = FinishConnect(fd, deadline, stop);
    }
    if (result == SocketConnectResult::Connected && SetBlocking(fd, true))
    {
        int one = 1;
        // Commands are single short lines: send them at once rather than waiting to fill a segment.
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        handle = fd;
        return result;
    }
    close(fd);
    return result == SocketConnectResult::Connected ? SocketConnectResult::Failed : result;
}
}  // namespace

SocketConnectResult SocketConnect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>* stop,
                                  SocketHandle& handle)
{
    handle = kNoSocket;
    if (StopRequested(stop))
        return SocketConnectResult::Stopped;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = 0;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0 || !addresses)
        return SocketConnectResult::NoSuchHost;
    SocketConnectResult result = SocketConnectResult::Failed;
    for (const addrinfo* address = addresses; address; address = address->ai_next)
    {
        result = ConnectOne(address, deadline, stop, handle);
        if (result == SocketConnectResult::Connected || result == SocketConnectResult::Stopped)
            break;
        if (RemainingMs(deadline) == 0)
            break;
    }
    freeaddrinfo(addresses);
    return result;
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
