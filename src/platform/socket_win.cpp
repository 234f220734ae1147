#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>

namespace
{
// How often a connect in progress looks at the stop flag.
constexpr int kStopSliceMs = 20;

using Clock = std::chrono::steady_clock;

SOCKET ToSocket(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

int RemainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool StopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_acquire);
}

bool SetBlocking(SOCKET s, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

timeval ToTimeval(int ms)
{
    timeval value = {};
    value.tv_sec = ms / 1000;
    value.tv_usec = (ms % 1000) * 1000;
    return value;
}

SocketConnectResult FinishConnect(SOCKET s, Clock::time_point deadline, const std::atomic<bool>* stop)
{
    for (;;)
    {
        if (StopRequested(stop))
            return SocketConnectResult::Stopped;
        int left = RemainingMs(deadline);
        if (left == 0)
            return SocketConnectResult::Failed;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = ToTimeval(left < kStopSliceMs ? left : kStopSliceMs);
        int ready = select(0, nullptr, &writable, &failed, &wait);
        if (ready == SOCKET_ERROR || FD_ISSET(s, &failed))
            return SocketConnectResult::Failed;
        if (ready > 0 && FD_ISSET(s, &writable))
            return SocketConnectResult::Connected;
    }
}

SocketConnectResult ConnectOne(const addrinfo* address, Clock::time_point deadline, const std::atomic<bool>* stop,
                               SocketHandle& handle)
{
    SOCKET s = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (s == INVALID_SOCKET)
        return SocketConnectResult::Failed;
    SocketConnectResult result = SocketConnectResult::Failed;
    if (SetBlocking(s, false))
    {
        if (connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0)
            result = SocketConnectResult::Connected;
        else if (WSAGetLastError() == WSAEWOULDBLOCK)
            result = FinishConnect(s, deadline, stop);
    }
    if (result == SocketConnectResult::Connected && SetBlocking(s, true))
    {
        BOOL one = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
        handle = static_cast<SocketHandle>(s);
        return result;
    }
    closesocket(s);
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
        int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
        int sent = send(ToSocket(handle), data, chunk, 0);
        if (sent == SOCKET_ERROR || sent == 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

SocketWaitResult SocketWaitReadable(SocketHandle handle, int timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ToSocket(handle), &readable);
    timeval wait = ToTimeval(timeoutMs > 0 ? timeoutMs : 0);
    int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == SOCKET_ERROR)
        return SocketWaitResult::Failed;
    return ready == 0 ? SocketWaitResult::TimedOut : SocketWaitResult::Readable;
}

long SocketPendingBytes(SocketHandle handle)
{
    u_long pending = 0;
    if (ioctlsocket(ToSocket(handle), FIONREAD, &pending) != 0)
        return -1;
    return static_cast<long>(pending);
}

long SocketReceive(SocketHandle handle, char* data, std::size_t size)
{
    int got = recv(ToSocket(handle), data, static_cast<int>(size), 0);
    return got == SOCKET_ERROR ? -1 : got;
}

int SocketLastError()
{
    return WSAGetLastError();
}

bool SocketLastErrorIsTimeout()
{
    return WSAGetLastError() == WSAETIMEDOUT;
}

bool SocketSetReceiveTimeout(SocketHandle handle, int timeoutMs)
{
    DWORD value = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0;
    return setsockopt(ToSocket(handle), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value),
                      sizeof(value)) == 0;
}

void SocketShutdown(SocketHandle handle)
{
    shutdown(ToSocket(handle), SD_BOTH);
}

void SocketClose(SocketHandle handle)
{
    closesocket(ToSocket(handle));
}
