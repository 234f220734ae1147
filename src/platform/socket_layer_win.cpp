#include "platform/socket_layer.h"

#include <winsock2.h>

bool StartSocketLayer()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2)
    {
        WSACleanup();
        return false;
    }
    return true;
}

void StopSocketLayer()
{
    WSACleanup();
}
