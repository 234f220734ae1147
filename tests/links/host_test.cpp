#include "links/host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "links/host_list.h"
#include "links/orv_link_base.h"
#include "links_fixture.h"
#include "platform/log_levels.h"
#include "support/log_capture.h"
#include "support/scripted_peer.h"
#include "support/unanswered_port.h"
#include "support/wait_until.h"

namespace
{
using Clock = std::chrono::steady_clock;
using linktest::LinkedElement;
using linktest::ParseXml;
using linktest::Simulator;
using orvtest::ElapsedMs;
using orvtest::ScriptedPeer;
using orvtest::WaitUntil;

const char kVariables[] =
    "GAIN 0.0 range=-24;12 step=0.5\n"
    "MUTE 0\n"
    "FADE 1\n"
    "RO 7 readonly\n"
    "LEVEL -20 poll\n"
    "TEMP 41 poll readonly\n";

// One host "A" with a short poll interval and answer wait, and links read from small documents.
class HostTest : public linktest::LinkSetsTest
{
protected:
    void LoadHost(int port, const std::string& attributes = std::string())
    {
        LoadHosts("<hosts><host alias='A' host='127.0.0.1' port='" + std::to_string(port) + "' " + attributes +
                  "/></hosts>");
        m_hosts.SetPollInterval(20);
        Host().SetAnswerTimeout(300);
    }
    CHost& Host() { return *m_hosts.FindHost("A"); }
    LinkedElement& Link(const std::string& links, int expected = 0)
    {
        return Read("<button host='A'>" + links + "</button>", expected);
    }
    bool Shows(LinkedElement& element, const std::string& text)
    {
        return WaitUntil([&] { return element.Text() == text; });
    }
    // Starts the host and waits until its first session is up.
    void StartAndConnect()
    {
        m_hosts.StartAll();
        ASSERT_TRUE(m_log.WaitFor("Host A connected !")) << m_log.Dump();
    }

    Simulator m_device{kVariables};
};

TEST_F(HostTest, SubscribedVariableFollowsTheDevice)
{
    LoadHost(m_device.Port());
    LinkedElement& gain = Link("<link variable='GAIN'/>");
    StartAndConnect();
    EXPECT_TRUE(Shows(gain, "0.0"));
    m_device.Model().Change("GAIN", "-3.5");
    EXPECT_TRUE(Shows(gain, "-3.5")) << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("ORV change for A:GAIN to -3.5", LOG_VERBOSE5)) << m_log.Dump();
}

TEST_F(HostTest, RefusedSubscriptionIsReadByPollingInOneBatch)
{
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK")
        .Reply("LOGIN guest,guest", "OK")
        .Reply("LEVEL!", "*LEVEL can not be subscribed")
        .Reply("LEVEL?", "5")
        .Reply("TEMP!", "*TEMP can not be subscribed")
        .Reply("TEMP?", "40")
        // Both reads arrive before the first answer: the cycle sends them as one batch.
        .Expect("LEVEL?")
        .Expect("TEMP?")
        .Send("6\n41\n");
    peer.Start();
    LoadHost(peer.Port());
    LinkedElement& level = Link("<link variable='LEVEL'/>");
    LinkedElement& temp = Link("<link variable='temp'/>");
    m_hosts.StartAll();
    EXPECT_TRUE(Shows(level, "6")) << m_log.Dump();
    EXPECT_TRUE(Shows(temp, "41"));
    EXPECT_TRUE(peer.WaitScriptDone()) << peer.Errors();
    EXPECT_TRUE(m_log.Contains("[A] variable LEVEL is in poll mode", LOG_VERBOSE4)) << m_log.Dump();
}

TEST_F(HostTest, MixedCaseNamesShareOneRecordSubscribedInUpperCase)
{
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK").Reply("LOGIN guest,guest", "OK").Reply("GAIN!", "OK").Send("!Gain=4\n");
    peer.Start();
    LoadHost(peer.Port());
    LinkedElement& mixed = Link("<link variable='Gain'/>");
    LinkedElement& upper = Link("<link variable='GAIN'/>");
    m_hosts.StartAll();
    EXPECT_TRUE(Shows(mixed, "4")) << m_log.Dump() << peer.Errors();
    EXPECT_TRUE(Shows(upper, "4"));
    const auto received = peer.Received();
    EXPECT_EQ(std::count(received.begin(), received.end(), "GAIN!"), 1);
    EXPECT_EQ(std::count(received.begin(), received.end(), "Gain!"), 0);
}

// A notification that comes while a new variable is being subscribed must not hold up the subscription's answer
// (the receive thread would otherwise wait for the variables lock that the subscribing thread holds).
TEST_F(HostTest, NotificationDuringANewSubscriptionIsDeliveredAfterIt)
{
    ScriptedPeer peer;
    peer.Reply("FORCEREPLY", "OK").Reply("LOGIN guest,guest", "OK").Reply("A!", "OK").Expect("B!").Send("!A=5\nOK\n");
    peer.Start();
    LoadHost(peer.Port());
    LinkedElement& first = Link("<link variable='A'/>");
    StartAndConnect();
    ASSERT_TRUE(WaitUntil([&] {
        const auto received = peer.Received();
        return std::find(received.begin(), received.end(), "A!") != received.end();
    }));
    Link("<link variable='B'/>");
    EXPECT_TRUE(Shows(first, "5")) << m_log.Dump();
    EXPECT_TRUE(peer.WaitScriptDone()) << peer.Errors();
}

TEST_F(HostTest, VariableTheDeviceDoesNotKnowIsRefusedAndLeavesNoRecord)
{
    LoadHost(m_device.Port());
    StartAndConnect();
    Link("<link variable='NOPE'/>", -1);
    EXPECT_TRUE(m_log.Contains("[A] LinkVariable (poll) for NOPE failed (*unknown NOPE)", LOG_VERBOSE4))
        << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("Can not get variable 'NOPE' value", wxLOG_Error));
    EXPECT_TRUE(m_log.Contains("Link type 'variable' failed init: Host 'A' can not link variable 'NOPE'"));
    Host().OnAsync("NOPE=1");
    EXPECT_TRUE(m_log.Contains("ORV Async [A]: NOPE=1 unexpected", LOG_VERBOSE4));
}

TEST_F(HostTest, NotificationForAVariableNoLinkUsesIsDropped)
{
    LoadHost(m_device.Port());
    LinkedElement& gain = Link("<link variable='GAIN'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(gain, "0.0"));
    m_device.Server().Broadcast("!OTHER=1\n!GAIN=2\n");
    EXPECT_TRUE(Shows(gain, "2"));
    EXPECT_TRUE(m_log.Contains("ORV Async [A]: OTHER=1 unexpected", LOG_VERBOSE4)) << m_log.Dump();
}

TEST_F(HostTest, RefusedWriteShowsThePreviousValueAgain)
{
    LoadHost(m_device.Port());
    LinkedElement& readOnly = Link("<link variable='RO'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(readOnly, "7"));
    readOnly.Target().Clear();
    EXPECT_FALSE(readOnly.Link()->SetValueString("9"));
    EXPECT_EQ(readOnly.Target().Events(), (std::vector<std::string>{"error", "value"}));
    EXPECT_EQ(readOnly.Text(), "7");
    EXPECT_TRUE(m_log.Contains("[A] SetVarValue for RO to 9 error: *read only RO", LOG_VERBOSE4)) << m_log.Dump();
}

TEST_F(HostTest, BatchWithARefusedMiddleWriteStoresTheOthers)
{
    LoadHost(m_device.Port());
    LinkedElement& links = Link("<link variable='MUTE'/><link variable='RO'/><link variable='FADE'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(links, "0\n7\n1"));
    std::vector<wxString> names = {"mute", "ro", "fade"};
    EXPECT_TRUE(Host().SetVarsValues(names, {"1", "8", "0"}));
    EXPECT_EQ(names, (std::vector<wxString>{"MUTE", "RO", "FADE"}));
    EXPECT_EQ(m_device.Value("MUTE"), "1");
    EXPECT_EQ(m_device.Value("RO"), "7");
    EXPECT_EQ(m_device.Value("FADE"), "0");
    EXPECT_EQ(linktest::ValueOf(links.Link(0)), "1");
    EXPECT_EQ(linktest::ValueOf(links.Link(1)), "<none>");
    EXPECT_EQ(linktest::ValueOf(links.Link(2)), "0");
    EXPECT_TRUE(m_log.Contains("SetVarsValues for RO to 8 failed: read only RO", LOG_VERBOSE4)) << m_log.Dump();
}

TEST_F(HostTest, WriteWithALineBreakIsRefusedBeforeAnythingIsSent)
{
    LoadHost(m_device.Port());
    LinkedElement& links = Link("<link variable='MUTE'/><link variable='FADE'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(links, "0\n1"));
    EXPECT_FALSE(Host().SetVarValue("MUTE", "1\nFADE=0"));
    std::vector<wxString> names = {"MUTE", "FADE"};
    EXPECT_FALSE(Host().SetVarsValues(names, {"1", "0\r"}));
    EXPECT_EQ(m_log.Count("[A] can not write MUTE: the name or the value holds a line break", wxLOG_Error), 1);
    EXPECT_EQ(m_log.Count("[A] can not write FADE: the name or the value holds a line break", wxLOG_Error), 1);
    EXPECT_EQ(m_device.Value("MUTE"), "0");
    EXPECT_EQ(m_device.Value("FADE"), "1");
    EXPECT_EQ(links.Text(), "0\n1");
}

TEST_F(HostTest, DeviceQueries)
{
    LoadHost(m_device.Port());
    LinkedElement& gain = Link("<link variable='GAIN'/>");
    LinkedElement& mute = Link("<link variable='MUTE'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(gain, "0.0"));
    ASSERT_TRUE(Shows(mute, "0"));
    struct Case
    {
        bool (COrvLinkBase::*query)(wxString&);
        COrvLinkBase* link;
        bool answered;
        const char* answer;
    };
    const Case cases[] = {
        {&COrvLinkBase::GetRange, gain.Link(), true, "-24;12"}, {&COrvLinkBase::GetStep, gain.Link(), true, "0.5"},
        {&COrvLinkBase::GetLogScale, gain.Link(), true, "0"},   {&COrvLinkBase::GetChannels, gain.Link(), true, "1"},
        {&COrvLinkBase::GetDims, gain.Link(), true, "1"},       {&COrvLinkBase::GetRange, mute.Link(), false, ""},
    };
    for (const Case& c : cases)
    {
        wxString answer;
        EXPECT_EQ((c.link->*c.query)(answer), c.answered) << c.answer;
        if (c.answered)
        {
            EXPECT_EQ(answer, c.answer);
        }
    }
    EXPECT_TRUE(m_log.Contains("[A] SendCommand range MUTE failed", LOG_VERBOSE4)) << m_log.Dump();
}

TEST_F(HostTest, LogoutInvalidatesReconnectsAndResubscribes)
{
    LoadHost(m_device.Port());
    LinkedElement& gain = Link("<link variable='GAIN'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(gain, "0.0"));
    m_device.Server().Logout("maintenance");
    ASSERT_TRUE(m_log.WaitFor("Host A has disconnected maintenance"));
    EXPECT_TRUE(m_log.Contains("Host A has disconnected maintenance", wxLOG_Warning));
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("Host A connected !") == 2; })) << m_log.Dump();
    EXPECT_TRUE(Shows(gain, "0.0"));
    EXPECT_GE(gain.Target().Count("error"), 1);
    m_device.Model().Change("GAIN", "1.5");
    EXPECT_TRUE(Shows(gain, "1.5")) << "subscribed again on the new session";
}

// The device restarts: every link loses its value while it is away, and gets it back from the new session.
TEST_F(HostTest, KilledAndRestartedDeviceTakesTheValuesAwayAndBack)
{
    LoadHost(m_device.Port());
    LinkedElement& links = Link("<link variable='GAIN'/><link variable='LEVEL'/>");
    StartAndConnect();
    ASSERT_TRUE(Shows(links, "0.0\n-20"));
    m_device.Kill();
    EXPECT_TRUE(WaitUntil([&] { return linktest::ValueOf(links.Link(0)) == "<none>"; }))
        << "a subscribed variable must not look live while its device is gone\n"
        << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("Host A try to reconnect...", LOG_VERBOSE4));
    EXPECT_EQ(linktest::ValueOf(links.Link(1)), "<none>");
    m_device.Model().Change("GAIN", "2.0");
    ASSERT_TRUE(m_device.Restart());
    EXPECT_TRUE(Shows(links, "2.0\n-20")) << m_log.Dump();
}

TEST_F(HostTest, LoginIsReportedWithoutItsPassword)
{
    devicesim::ServerOptions options;
    options.loginMode = devicesim::ServerOptions::LoginMode::RefuseStar;
    Simulator refusing(kVariables, options);
    LoadHost(refusing.Port(), "login='op,s3cr3t'");
    m_hosts.StartAll();
    const std::string message = "Login to 127.0.0.1:" + std::to_string(refusing.Port()) + " with op,*** failed";
    ASSERT_TRUE(m_log.WaitFor(message)) << m_log.Dump();
    m_hosts.StopAll();
    EXPECT_EQ(m_log.Count("s3cr3t"), 0) << m_log.Dump();
}

TEST_F(HostTest, RetriesBackOffWhileTheDeviceIsDownAndResetOnSuccess)
{
    const int port = m_device.Port();
    m_device.Kill();
    LoadHost(port);
    const std::string failed = "Connect to 127.0.0.1:" + std::to_string(port) + " failed";
    m_hosts.StartAll();
    // Observing a rate: with a 20 ms cycle, retrying every cycle would fail about 50 times in a second.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int attempts = m_log.Count(failed);
    EXPECT_GE(attempts, 3);
    EXPECT_LE(attempts, 8) << m_log.Dump();

    const int before = m_log.Count(failed);
    EXPECT_FALSE(Host().SetVarValue("GAIN", "1"));
    EXPECT_EQ(m_log.Count(failed), before + 1) << "a write tries at once";

    ASSERT_TRUE(m_device.Restart());
    ASSERT_TRUE(m_log.WaitFor("Host A connected !", std::chrono::seconds(4))) << "waits at most 2 s between tries";

    // Connected again, the count starts over: a new loss is retried at once.
    m_device.Kill();
    const auto lost = Clock::now();
    const int known = m_log.Count(failed);
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count(failed) > known; }));
    EXPECT_LT(ElapsedMs(lost), 1000);
}

struct SilentCase
{
    const char* name;
    bool accepts;  // the device accepts the connection and then says nothing
};

class StopWhileSilent : public HostTest, public testing::WithParamInterface<SilentCase>
{
};

TEST_P(StopWhileSilent, EndsWellWithinOneTimeout)
{
    orvtest::CUnansweredPort unanswered;
    ScriptedPeer silent;  // no script: accepts and keeps quiet
    silent.Start();
    ASSERT_TRUE(unanswered.IsFull());
    LoadHost(GetParam().accepts ? silent.Port() : unanswered.Port());
    m_hosts.StartAll();
    ASSERT_TRUE(m_log.WaitFor("Host A connecting..."));
    if (GetParam().accepts)
    {
        ASSERT_TRUE(WaitUntil([&] { return silent.Connections() > 0; }));
    }
    const auto start = Clock::now();
    m_hosts.StopAll();
    EXPECT_LT(ElapsedMs(start), 1000) << "the connect and handshake waits are 5 s and 3 s";
}

INSTANTIATE_TEST_SUITE_P(Devices, StopWhileSilent,
                         testing::Values(SilentCase{"NothingAnswersTheConnect", false},
                                         SilentCase{"AcceptedAndSilent", true}),
                         [](const testing::TestParamInfo<SilentCase>& info) { return info.param.name; });
}  // namespace
