#include "platform/socket.h"
#include "platform/socket_impl.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace
{
SOCKET ToSocket(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
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
}  // namespace

SocketHandle SocketStartConnect(const SocketAddress& address, bool& connected)
{
    SOCKET s = socket(address.family, address.type, address.protocol);
    if (s == INVALID_SOCKET)
        return kNoSocket;
    if (SetBlocking(s, false))
    {
        const auto* target = reinterpret_cast<const sockaddr*>(address.address.data());
        connected = connect(s, target, static_cast<int>(address.address.size())) == 0;
        if (connected || WSAGetLastError() == WSAEWOULDBLOCK)
            return static_cast<SocketHandle>(s);
    }
    closesocket(s);
    return kNoSocket;
}

int SocketWaitConnected(SocketHandle handle, int timeoutMs)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(ToSocket(handle), &writable);
    FD_SET(ToSocket(handle), &failed);
    timeval wait = ToTimeval(timeoutMs);
    int ready = select(0, nullptr, &writable, &failed, &wait);
    if (ready == SOCKET_ERROR || FD_ISSET(ToSocket(handle), &failed))
        return -1;
    return ready > 0 && FD_ISSET(ToSocket(handle), &writable) ? 1 : 0;
}

bool SocketFinishConnect(SocketHandle handle)
{
    BOOL one = TRUE;
    setsockopt(ToSocket(handle), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    return SetBlocking(ToSocket(handle), true);
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
