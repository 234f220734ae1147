#include "protocol/orvanta_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "platform/log_levels.h"
#include "support/log_capture.h"
#include "support/scripted_peer.h"
#include "support/wait_until.h"

namespace
{
using Clock = std::chrono::steady_clock;
using orvtest::ElapsedMs;
using orvtest::ScriptedPeer;

// Handshake reads wait this long in these tests instead of the 3 s of the field.
constexpr int kShortHandshakeMs = 300;

struct HandshakeCase
{
    const char* name;
    std::function<void(ScriptedPeer&)> script;
    int result;
    bool slow;          // the handshake waits out one handshake read
    const char* error;  // expected error message with PORT for the port, or null for none
};

class OpenCases : public testing::TestWithParam<HandshakeCase>
{
};

std::string WithPort(std::string text, int port)
{
    std::size_t at = text.find("PORT");
    if (at != std::string::npos)
        text.replace(at, 4, std::to_string(port));
    return text;
}

TEST_P(OpenCases, HandshakeOutcome)
{
    const HandshakeCase& c = GetParam();
    orvtest::LogCapture log;
    ScriptedPeer peer;
    c.script(peer);
    peer.Start();
    COrvantaClient client;
    client.SetHandshakeMinimum(kShortHandshakeMs);
    const auto start = Clock::now();
    EXPECT_EQ(client.Open("127.0.0.1", peer.Port()), c.result);
    const long elapsed = ElapsedMs(start);
    if (c.slow)
    {
        EXPECT_GE(elapsed, kShortHandshakeMs - 10);
    }
    else
    {
        EXPECT_LT(elapsed, kShortHandshakeMs);
    }
    EXPECT_TRUE(client.IsConnected()) << "the connection stays open after a handshake, even a bad one";
    EXPECT_FALSE(client.IsLoggedIn());
    if (c.error)
    {
        EXPECT_TRUE(log.Contains(WithPort(c.error, peer.Port()), wxLOG_Error)) << log.Dump();
    }
    else
    {
        EXPECT_EQ(log.Count("", wxLOG_Error), 0) << log.Dump();
    }
    EXPECT_TRUE(peer.WaitScriptDone());
    EXPECT_EQ(peer.Errors(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenCases,
    testing::Values(
        HandshakeCase{"AnswersOk", [](ScriptedPeer& p) { p.Reply("FORCEREPLY", "OK"); }, 0, false, nullptr},
        HandshakeCase{"GreetsReadyThenOk", [](ScriptedPeer& p) { p.SendLine("READY").Reply("FORCEREPLY", "OK"); }, 0,
                      false, nullptr},
        HandshakeCase{"SilentDevice", [](ScriptedPeer& p) { p.Expect("FORCEREPLY"); }, 0, true, nullptr},
        HandshakeCase{"OtherFirstLine", [](ScriptedPeer& p) { p.Reply("FORCEREPLY", "HELLO"); }, 0, false, nullptr},
        HandshakeCase{"ReadyThenSilence", [](ScriptedPeer& p) { p.SendLine("READY").Expect("FORCEREPLY"); }, 0, true,
                      nullptr},
        HandshakeCase{"NotificationBeforeOk", [](ScriptedPeer& p) { p.Expect("FORCEREPLY").Send("!A=1\n+wait\nOK\n"); },
                      0, false, nullptr},
        HandshakeCase{"ReadyThenClose", [](ScriptedPeer& p) { p.SendLine("READY").Expect("FORCEREPLY").Close(); },
                      COrvantaClient::kBadHandshake, false,
                      "Host (127.0.0.1:PORT) did not reply as expected to FORCEREPLY ! ()"}),
    [](const testing::TestParamInfo<HandshakeCase>& info) { return info.param.name; });

TEST(OrvantaClient, EmptyHostConnectsToLoopbackAndKeepsTheEmptyName)
{
    orvtest::LogCapture log;
    ScriptedPeer peer;
    peer.SendLine("READY").Expect("FORCEREPLY").Close().Start();
    COrvantaClient client;
    EXPECT_EQ(client.Open("", peer.Port()), COrvantaClient::kBadHandshake);
    EXPECT_TRUE(log.Contains(WithPort("Host (:PORT) did not reply as expected to FORCEREPLY ! ()", peer.Port())))
        << log.Dump();
}

TEST(OrvantaClient, OpenWithoutDeviceFails)
{
    int port;
    {
        ScriptedPeer gone;
        port = gone.Port();
    }
    COrvantaClient client;
    EXPECT_EQ(client.Open("127.0.0.1", port), 1);
    EXPECT_FALSE(client.IsConnected());
}

TEST(OrvantaClient, SessionWaitAfterTheHandshakeIsTheConfiguredTimeoutOrHalfASecond)
{
    for (int configured : {0, 200})
    {
        ScriptedPeer peer;
        peer.Reply("FORCEREPLY", "OK").Start();
        COrvantaClient client;
        client.SetConfiguredTimeout(configured);
        ASSERT_EQ(client.Open("127.0.0.1", peer.Port()), 0);
        EXPECT_EQ(client.GetTimeout(), configured ? configured : 500);
    }
}

struct LoginCase
{
    const char* name;
    std::function<void(ScriptedPeer&)> answer;
    int result;
    wxLogLevel level;
    const char* message;  // with PORT for the port
};

class LoginCases : public testing::TestWithParam<LoginCase>
{
};

TEST_P(LoginCases, LoginOutcome)
{
    const LoginCase& c = GetParam();
    orvtest::LogCapture log;
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK").Expect("LOGIN guest,guest");
    c.answer(peer);
    peer.Start();
    COrvantaClient client;
    ASSERT_EQ(client.Open("127.0.0.1", peer.Port()), 0);
    EXPECT_EQ(client.Login("guest,guest"), c.result);
    EXPECT_EQ(client.IsLoggedIn(), c.result == 0);
    if (c.message)
    {
        EXPECT_EQ(log.Count(WithPort(c.message, peer.Port()), static_cast<int>(c.level)), 1) << log.Dump();
    }
    EXPECT_TRUE(client.IsConnected()) << "a failed login leaves the disconnect to the caller";
    EXPECT_EQ(peer.Errors(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginCases,
    testing::Values(
        LoginCase{"Accepted", [](ScriptedPeer& p) { p.SendLine("OK"); }, 0, wxLOG_Error, nullptr},
        LoginCase{"AcceptedAfterNotification", [](ScriptedPeer& p) { p.Send("!A=1\n+\nWELCOME\n"); }, 0, wxLOG_Error,
                  nullptr},
        LoginCase{"RefusedWithStar", [](ScriptedPeer& p) { p.SendLine("*bad password"); }, 4, wxLOG_Error,
                  " *bad password"},
        LoginCase{"RefusedWithQuestion", [](ScriptedPeer& p) { p.SendLine("?"); }, 2, LOG_VERBOSE4, " ?"},
        LoginCase{"NoAnswer", [](ScriptedPeer&) {}, 4, wxLOG_Error, "Login to Host (127.0.0.1:PORT) failed answer "},
        LoginCase{"ClosedInsteadOfAnswer", [](ScriptedPeer& p) { p.Close(); }, 4, wxLOG_Error,
                  "Host (127.0.0.1:PORT) is not able to answer, you should update the Dizuzezuzave on this host !"}),
    [](const testing::TestParamInfo<LoginCase>& info) { return info.param.name; });

TEST(OrvantaClient, LoginOnceThenAgainOnlyAfterANewOpen)
{
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK").Reply("LOGIN admin,secret", "OK").StartEveryConnection();
    COrvantaClient client;
    ASSERT_EQ(client.Open("127.0.0.1", peer.Port()), 0);
    ASSERT_EQ(client.Login("admin,secret"), 0);
    EXPECT_EQ(client.Login("admin,secret"), 0);
    EXPECT_EQ(client.GetHost(), "127.0.0.1");
    EXPECT_EQ(client.GetPort(), peer.Port());

    client.Disconnect();
    EXPECT_FALSE(client.IsLoggedIn());
    ASSERT_TRUE(peer.WaitClientClosed());
    ASSERT_EQ(client.Open("127.0.0.1", peer.Port()), 0);
    ASSERT_EQ(client.Login("admin,secret"), 0);
    EXPECT_TRUE(orvtest::WaitUntil([&] { return peer.Received().size() == 4; }));
    EXPECT_EQ(peer.Received(),
              (std::vector<std::string>{"FORCEREPLY", "LOGIN admin,secret", "FORCEREPLY", "LOGIN admin,secret"}));
}

TEST(OrvantaClient, LoginWithoutConnectionCannotBeSent)
{
    orvtest::LogCapture log;
    COrvantaClient client;
    EXPECT_EQ(client.Login("guest,guest"), 3);
    EXPECT_TRUE(log.Contains("failed to login to host :0", wxLOG_Error)) << log.Dump();
}

TEST(OrvantaClient, NonAsciiLoginTravelsAsUtf8)
{
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK").Reply("LOGIN J\xC3\xBCrgen,p\xC3\xA4ss%d", "OK").Start();
    COrvantaClient client;
    ASSERT_EQ(client.Open("127.0.0.1", peer.Port()), 0);
    EXPECT_EQ(client.Login(wxString::FromUTF8("J\xC3\xBCrgen,p\xC3\xA4ss%d")), 0);
    EXPECT_EQ(peer.Errors(), "");
}
}  // namespace
