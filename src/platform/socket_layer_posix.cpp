#include "platform/socket_layer.h"

#include <csignal>

bool StartSocketLayer()
{
    // A send on a socket the device has closed must be a send failure, never a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void StopSocketLayer() {}
