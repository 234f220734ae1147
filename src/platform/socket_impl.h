#pragma once
// What each platform's sockets file provides to the shared connect walk in socket.cpp. Not for other callers.
#include <string>
#include <vector>

#include "platform/socket.h"

struct SocketAddress
{
    int family = 0;
    int type = 0;
    int protocol = 0;
    std::vector<unsigned char> address;  // the system's socket address, as the resolver gave it
};

// Resolves host (UTF-8) for stream sockets with a numeric port; false when the name is unknown.
bool SocketResolve(const std::string& host, int port, std::vector<SocketAddress>& addresses);
// Creates a non-blocking socket and starts connecting it: the handle (kNoSocket on failure), connected set when the
// connection completed at once.
SocketHandle SocketStartConnect(const SocketAddress& address, bool& connected);
// Waits at most timeoutMs for a started connect: 1 connected, 0 still pending, -1 failed.
int SocketWaitConnected(SocketHandle handle, int timeoutMs);
// Makes a connected socket blocking and ready for short command lines; false when that fails.
bool SocketFinishConnect(SocketHandle handle);
