#include "platform/socket_layer.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(SocketLayer, StartsAndIgnoresBrokenPipeSignals)
{
    ASSERT_TRUE(StartSocketLayer());
    struct sigaction current = {};
    sigaction(SIGPIPE, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
    StopSocketLayer();
}
