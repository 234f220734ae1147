// The connect walk shared by every platform: every resolved address in order, all of them within one time limit,
// and a stop flag that is looked at every few milliseconds.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <chrono>

#include "platform/socket.h"
#include "platform/socket_impl.h"

namespace
{
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

SocketConnectResult ConnectOne(const SocketAddress& address, Clock::time_point deadline, const std::atomic<bool>* stop,
                               SocketHandle& handle)
{
    bool connected = false;
    SocketHandle candidate = SocketStartConnect(address, connected);
    if (candidate == kNoSocket)
        return SocketConnectResult::Failed;
    SocketConnectResult result = SocketConnectResult::Failed;
    while (!connected)
    {
        if (StopRequested(stop))
        {
            result = SocketConnectResult::Stopped;
            break;
        }
        const int left = RemainingMs(deadline);
        const int state = left == 0 ? -1 : SocketWaitConnected(candidate, left < kStopSliceMs ? left : kStopSliceMs);
        if (state < 0)
            break;
        connected = state > 0;
    }
    if (connected && SocketFinishConnect(candidate))
    {
        handle = candidate;
        return SocketConnectResult::Connected;
    }
    SocketClose(candidate);
    return result;
}
}  // namespace

bool SocketResolve(const std::string& host, int port, std::vector<SocketAddress>& addresses)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = 0;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return false;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next)
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(entry->ai_addr);
        addresses.push_back({entry->ai_family, entry->ai_socktype, entry->ai_protocol,
                             std::vector<unsigned char>(bytes, bytes + entry->ai_addrlen)});
    }
    freeaddrinfo(found);
    return true;
}

SocketConnectResult SocketConnect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>* stop,
                                  SocketHandle& handle)
{
    handle = kNoSocket;
    if (StopRequested(stop))
        return SocketConnectResult::Stopped;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    std::vector<SocketAddress> addresses;
    if (!SocketResolve(host, port, addresses))
        return SocketConnectResult::NoSuchHost;
    SocketConnectResult result = SocketConnectResult::Failed;
    for (const SocketAddress& address : addresses)
    {
        result = ConnectOne(address, deadline, stop, handle);
        if (result != SocketConnectResult::Failed || RemainingMs(deadline) == 0)
            break;
    }
    return result;
}
