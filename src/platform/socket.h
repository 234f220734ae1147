#pragma once
// The stream sockets layer of the device protocol: exactly what the line client needs from the operating system.
// POSIX sockets on Linux, Windows Sockets 2 on Windows; callers contain no platform code.
//
// Every function may be called from any thread. A handle passed in must stay open for the duration of the call;
// the line client guarantees this by closing a handle only when no other thread can still be using it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

enum class SocketConnectResult
{
    Connected,
    NoSuchHost,  // name resolution failed
    Failed,      // no address accepted the connection within the time
    Stopped,     // the stop request was seen before a connection was made
};

// Resolves host (UTF-8, name or numeric) and connects to the first of its addresses that accepts, in the order the
// resolver returns them. The whole walk takes at most timeoutMs; the stop flag, when given, is checked every few
// milliseconds and ends the walk early. On Connected the handle is a blocking stream socket.
SocketConnectResult SocketConnect(const std::string& host, int port, int timeoutMs, const std::atomic<bool>* stop,
                                  SocketHandle& handle);

// Sends all bytes; false when the connection failed. Never raises a signal when the peer has gone.
bool SocketSendAll(SocketHandle handle, const char* data, std::size_t size);

enum class SocketWaitResult
{
    Readable,
    TimedOut,
    Failed,
};

// Waits until the socket is readable (data, end of stream or an error), for at most timeoutMs (0: just test).
SocketWaitResult SocketWaitReadable(SocketHandle handle, int timeoutMs);

// Number of bytes that can be read without blocking, or -1 when the system refuses to tell.
long SocketPendingBytes(SocketHandle handle);

// Receives at most size bytes: the count, 0 at the orderly end of the stream, -1 on an error (see SocketLastError).
long SocketReceive(SocketHandle handle, char* data, std::size_t size);

// The system's error code of the calling thread's last failed socket call.
int SocketLastError();
// Whether that error is the receive time-out of SocketSetReceiveTimeout.
bool SocketLastErrorIsTimeout();

// Sets the receive time-out option of the socket (0 means none); false when refused.
bool SocketSetReceiveTimeout(SocketHandle handle, int timeoutMs);

// Ends both directions: a thread blocked waiting on or receiving from the socket wakes up at once.
void SocketShutdown(SocketHandle handle);

// Releases the handle. The caller makes sure no other thread still uses it: the number may be reused at once.
void SocketClose(SocketHandle handle);
