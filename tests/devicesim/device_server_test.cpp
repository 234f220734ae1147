#include "device_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "protocol/orvanta_notify.h"
#include "support/log_capture.h"
#include "support/raw_line_client.h"
#include "support/wait_until.h"

namespace
{
using devicesim::DeviceModel;
using devicesim::DeviceServer;
using devicesim::ServerOptions;
using orvtest::RawLineClient;
using Clock = std::chrono::steady_clock;
using orvtest::ElapsedMs;

const char kConfig[] =
    "GAIN_IN 0.0 range=-24;12 step=0.5\n"
    "XOVER_FREQ 1000 range=20;20000 step=1 logscale\n"
    "MUTE 0 range=0;1 step=1\n"
    "PRESET_NAME \"Talk Radio\"\n"
    "EMPTY \"\"\n"
    "VU_OUT \"\" range=-60;0 channels=2 dims=L;R vu\n"
    "TEMPERATURE 41.5 readonly poll\n";

// A simulator on a free loopback port over a fresh model.
class Simulator
{
public:
    explicit Simulator(ServerOptions options = ServerOptions())
    {
        std::string error;
        EXPECT_TRUE(m_model.Load(kConfig, error)) << error;
        options.meterPeriodMs = options.meterPeriodMs == 100 ? 0 : options.meterPeriodMs;
        m_server = std::make_unique<DeviceServer>(m_model, options);
        EXPECT_TRUE(m_server->Start(error)) << error;
    }
    DeviceServer& Server() { return *m_server; }
    int Port() const { return m_server->Port(); }

    // Connects and performs the greeting, the handshake and the login.
    bool Session(RawLineClient& client, const std::string& login = "guest,guest")
    {
        std::string line;
        if (!client.Connect(Port()) || !client.ReadLine(line) || line != "READY")
            return false;
        return client.Ask("FORCEREPLY") == "OK" && client.Ask("LOGIN " + login) == "OK";
    }

private:
    DeviceModel m_model;
    std::unique_ptr<DeviceServer> m_server;
};

TEST(DeviceServer, AnswersEveryCommandOfTheGrammar)
{
    Simulator simulator;
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    const std::vector<std::pair<std::string, std::string>> exchanges = {
        {"FORCEREPLY", "OK"},
        {"GAIN_IN?", "0.0"},
        {"gain_in?", "0.0"},
        {"GAIN_IN=3.5", "3.5"},
        {"GAIN_IN=40", "12"},
        {"GAIN_IN=loud", "*not a number: loud"},
        {"PRESET_NAME=Caf\xC3\xA9 FM", "Caf\xC3\xA9 FM"},
        {"EMPTY?", ""},
        {"TEMPERATURE=3", "*read only TEMPERATURE"},
        {"TEMPERATURE!", "*TEMPERATURE can not be subscribed"},
        {"NOPE?", "*unknown NOPE"},
        {"NOPE!", "*unknown NOPE"},
        {"NOPE=1", "*unknown NOPE"},
        {"range GAIN_IN", "-24;12"},
        {"channels VU_OUT", "2"},
        {"dims VU_OUT", "L;R"},
        {"logscale XOVER_FREQ", "1"},
        {"step GAIN_IN", "0.5"},
        {"step PRESET_NAME", "*no step for PRESET_NAME"},
        {"hello", "*unknown command hello"},
    };
    for (const auto& [command, answer] : exchanges)
        EXPECT_EQ(client.Ask(command), answer) << command;
}

TEST(DeviceServer, SubscriptionAnswersThenSendsTheCurrentValue)
{
    Simulator simulator;
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    ASSERT_TRUE(client.SendLine("GAIN_IN!"));
    std::string line;
    ASSERT_TRUE(client.ReadLine(line));
    EXPECT_EQ(line, "OK");
    ASSERT_TRUE(client.ReadLine(line));
    EXPECT_EQ(line, "!GAIN_IN=0.0");
}

TEST(DeviceServer, CommandsBeforeLoginAreRefused)
{
    Simulator simulator;
    RawLineClient client;
    std::string line;
    ASSERT_TRUE(client.Connect(simulator.Port()));
    ASSERT_TRUE(client.ReadLine(line));
    EXPECT_EQ(client.Ask("GAIN_IN?"), "*not logged in");
    EXPECT_EQ(client.Ask("FORCEREPLY"), "OK");
}

TEST(DeviceServer, BatchIsAnsweredInOrder)
{
    Simulator simulator;
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    ASSERT_TRUE(client.SendRaw("GAIN_IN=1\nMUTE=1\r\nNOPE?\nMUTE?\n"));
    std::vector<std::string> answers;
    std::string line;
    while (answers.size() < 4 && client.ReadLine(line))
        answers.push_back(line);
    EXPECT_EQ(answers, (std::vector<std::string>{"1", "1", "*unknown NOPE", "1"}));
}

// The answers to a batch leave together, but never behind the notifications that the batch's own writes and
// subscriptions cause: the client sees every line in the order the device made it.
TEST(DeviceServer, BatchAnswersAndTheirNotificationsKeepTheirOrder)
{
    Simulator simulator;
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    ASSERT_EQ(client.Ask("MUTE!"), "OK");
    std::string line;
    ASSERT_TRUE(client.ReadLine(line));
    ASSERT_EQ(line, "!MUTE=0");
    ASSERT_TRUE(client.SendRaw("GAIN_IN?\nMUTE=1\nMUTE?\nGAIN_IN!\nMUTE=0\n"));
    const std::vector<std::string> expected = {"0.0", "!MUTE=1", "1", "1", "OK", "!GAIN_IN=0.0", "!MUTE=0", "0"};
    std::vector<std::string> lines;
    while (lines.size() < expected.size() && client.ReadLine(line))
        lines.push_back(line);
    EXPECT_EQ(lines, expected);
}

TEST(DeviceServer, ClientsSeeEachOthersWrites)
{
    Simulator simulator;
    RawLineClient watcher, other, writer;
    ASSERT_TRUE(simulator.Session(watcher));
    ASSERT_TRUE(simulator.Session(other));
    ASSERT_TRUE(simulator.Session(writer));
    ASSERT_EQ(watcher.Ask("MUTE!"), "OK");
    ASSERT_EQ(other.Ask("MUTE!"), "OK");
    ASSERT_EQ(writer.Ask("MUTE=1"), "1");
    for (RawLineClient* client : {&watcher, &other})
    {
        std::string line;
        ASSERT_TRUE(client->ReadLine(line));
        EXPECT_EQ(line, "!MUTE=0");  // the value sent with the subscription
        ASSERT_TRUE(client->ReadLine(line));
        EXPECT_EQ(line, "!MUTE=1");
    }
    EXPECT_EQ(simulator.Server().LoggedInCount(), 3u);
}

struct FaultCase
{
    const char* name;
    std::function<void(ServerOptions&)> option;
    std::function<void(Simulator&)> check;
};

class Faults : public testing::TestWithParam<FaultCase>
{
};

TEST_P(Faults, Behave)
{
    ServerOptions options;
    GetParam().option(options);
    Simulator simulator(options);
    GetParam().check(simulator);
}

std::vector<std::string> ReadAll(RawLineClient& client, std::size_t count, int timeoutMs = 2000)
{
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < count && client.ReadLine(line, timeoutMs))
        lines.push_back(line);
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Faults,
    testing::Values(
        FaultCase{"NoGreeting", [](ServerOptions& o) { o.greeting = false; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(client.Connect(s.Port()));
                      ASSERT_TRUE(client.SendLine("FORCEREPLY"));
                      EXPECT_EQ(ReadAll(client, 1), std::vector<std::string>{"OK"});
                  }},
        FaultCase{"AnswerDelay", [](ServerOptions& o) { o.answerDelayMs = 200; },
                  [](Simulator& s) {
                      RawLineClient client;
                      std::string greeting;
                      ASSERT_TRUE(client.Connect(s.Port()) && client.ReadLine(greeting));
                      const auto start = Clock::now();
                      EXPECT_EQ(client.Ask("FORCEREPLY"), "OK");
                      EXPECT_GE(ElapsedMs(start), 190);
                  }},
        FaultCase{"IntermediateLines", [](ServerOptions& o) { o.plusLines = 2; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(client.Connect(s.Port()));
                      ASSERT_TRUE(client.SendLine("FORCEREPLY"));
                      EXPECT_EQ(ReadAll(client, 4), (std::vector<std::string>{"READY", "+working", "+working", "OK"}));
                  }},
        FaultCase{"CloseAfterLines", [](ServerOptions& o) { o.closeAfterLines = 3; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(s.Session(client));
                      ASSERT_TRUE(client.SendLine("GAIN_IN?"));
                      EXPECT_TRUE(client.WaitClosed());
                  }},
        FaultCase{"Garbage", [](ServerOptions& o) { o.garbageEvery = 2; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(client.Connect(s.Port()));
                      ASSERT_TRUE(client.SendRaw("FORCEREPLY\nFORCEREPLY\n"));
                      std::vector<std::string> lines = ReadAll(client, 4);
                      ASSERT_EQ(lines.size(), 4u);
                      EXPECT_EQ(lines[2], "OK");
                      EXPECT_EQ(lines[3], "\xFF\xFEgarbage\x80\xC0\x80\x01");
                  }},
        FaultCase{"OverlongLine", [](ServerOptions& o) { o.overlongAfter = 1, o.overlongBytes = 70000; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(client.Connect(s.Port()));
                      ASSERT_TRUE(client.SendLine("FORCEREPLY"));
                      std::vector<std::string> lines = ReadAll(client, 3);
                      ASSERT_EQ(lines.size(), 3u);
                      EXPECT_EQ(lines[2], std::string(70000, 'x'));
                  }},
        FaultCase{"LogoutAfterLogin", [](ServerOptions& o) { o.logoutAfterMs = 100, o.logoutReason = "reboot"; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(s.Session(client));
                      EXPECT_EQ(ReadAll(client, 1), std::vector<std::string>{"!LOGOUT reboot"});
                      EXPECT_TRUE(client.WaitClosed());
                  }},
        FaultCase{"LoginRefusedWithStar", [](ServerOptions& o) { o.loginMode = ServerOptions::LoginMode::RefuseStar; },
                  [](Simulator& s) {
                      RawLineClient client;
                      EXPECT_FALSE(s.Session(client));
                      EXPECT_EQ(client.Ask("LOGIN guest,guest"), "*login refused");
                      EXPECT_EQ(client.Ask("GAIN_IN?"), "*not logged in");
                  }},
        FaultCase{"LoginRefusedWithQuestion",
                  [](ServerOptions& o) { o.loginMode = ServerOptions::LoginMode::RefuseQuestion; },
                  [](Simulator& s) {
                      RawLineClient client;
                      EXPECT_FALSE(s.Session(client));
                      EXPECT_EQ(client.Ask("LOGIN guest,guest"), "?");
                  }},
        FaultCase{"OnlyTheConfiguredLogin", [](ServerOptions& o) { o.login = "admin,secret"; },
                  [](Simulator& s) {
                      RawLineClient client;
                      EXPECT_FALSE(s.Session(client, "admin,wrong"));
                      EXPECT_EQ(client.Ask("LOGIN admin,wrong"), "*invalid user or password");
                      EXPECT_EQ(client.Ask("LOGIN admin,secret"), "OK");
                  }},
        FaultCase{"FloodAtARate", [](ServerOptions& o) { o.floodRate = 1000, o.floodNames = {"MUTE"}; },
                  [](Simulator& s) {
                      RawLineClient client;
                      ASSERT_TRUE(s.Session(client));
                      ASSERT_TRUE(client.SendLine("MUTE!"));
                      const auto start = Clock::now();
                      std::vector<std::string> lines = ReadAll(client, 202);
                      const long elapsed = ElapsedMs(start);
                      ASSERT_EQ(lines.size(), 202u);
                      EXPECT_EQ(lines[0], "OK");
                      EXPECT_EQ(lines.back().rfind("!MUTE=", 0), 0u);
                      EXPECT_GE(elapsed, 150) << "200 lines at 1000 per second take about 200 ms";
                      EXPECT_LT(elapsed, 1500);
                  }}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST(DeviceServer, RuntimeLogoutAndBroadcastReachEverySession)
{
    Simulator simulator;
    RawLineClient first, second;
    ASSERT_TRUE(simulator.Session(first));
    ASSERT_TRUE(simulator.Session(second));
    simulator.Server().Broadcast("partial");
    simulator.Server().Broadcast(" line\n");
    simulator.Server().Logout("shutdown");
    for (RawLineClient* client : {&first, &second})
    {
        EXPECT_EQ(ReadAll(*client, 2), (std::vector<std::string>{"partial line", "!LOGOUT shutdown"}));
        EXPECT_TRUE(client->WaitClosed());
    }
    EXPECT_TRUE(orvtest::WaitUntil([&] { return simulator.Server().SessionCount() == 0; }));
}

TEST(DeviceServer, RestartsOnTheSamePort)
{
    Simulator simulator;
    const int port = simulator.Port();
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    simulator.Server().Stop();
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_FALSE(client.Connect(port));
    std::string error;
    ASSERT_TRUE(simulator.Server().Start(error)) << error;
    EXPECT_EQ(simulator.Port(), port);
    EXPECT_TRUE(simulator.Session(client));
}

TEST(DeviceServer, MetersNotifyTheirSubscribers)
{
    ServerOptions options;
    options.meterPeriodMs = 20;
    Simulator simulator(options);
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    EXPECT_EQ(client.Ask("VU_OUT!"), "OK");
    std::vector<std::string> lines = ReadAll(client, 4);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[2], lines[3]);
    EXPECT_EQ(lines[3].rfind("!VU_OUT=", 0), 0u);
}

TEST(DeviceServer, FloodHoldsBackForAClientThatDoesNotRead)
{
    ServerOptions options;
    options.floodRate = -1;
    options.floodNames = {"MUTE"};
    Simulator simulator(options);
    RawLineClient client;
    ASSERT_TRUE(simulator.Session(client));
    ASSERT_TRUE(client.SendLine("MUTE!"));
    // The flood holds back while this client lags, so its queue stays small and the device stays responsive.
    RawLineClient other;
    ASSERT_TRUE(simulator.Session(other));
    EXPECT_EQ(other.Ask("GAIN_IN?"), "0.0");
}

// The panel's own protocol classes against the simulator: the two sides of the protocol agree.
TEST(DeviceServer, PanelSessionSubscribesReadsAndWrites)
{
    orvtest::LogCapture log;
    Simulator simulator;
    struct Received
    {
        std::mutex lock;
        std::vector<std::string> lines;
    } received;
    COrvantaNotify channel;
    channel.SetAsyncHandler(&received, [](void* context, const wxString& line) {
        auto* self = static_cast<Received*>(context);
        std::lock_guard<std::mutex> guard(self->lock);
        self->lines.push_back(std::string(line.utf8_str()));
    });
    ASSERT_EQ(channel.GetClient().Open("localhost", simulator.Port()), 0);
    ASSERT_EQ(channel.GetClient().Login("guest,guest"), 0);
    ASSERT_TRUE(channel.Start());
    wxString answer;
    EXPECT_TRUE(channel.RequestAndWait("GAIN_IN!", &answer));
    EXPECT_EQ(answer, "OK");
    EXPECT_TRUE(channel.RequestAndWait("TEMPERATURE!", &answer));
    EXPECT_TRUE(answer.StartsWith("*"));
    EXPECT_TRUE(channel.RequestAndWait("TEMPERATURE?", &answer));
    EXPECT_EQ(answer, "41.5");
    EXPECT_TRUE(channel.RequestAndWait(wxString::FromUTF8("PRESET_NAME=Caf\xC3\xA9 FM"), &answer));
    EXPECT_EQ(std::string(answer.utf8_str()), "Caf\xC3\xA9 FM");
    EXPECT_TRUE(channel.RequestAndWait("GAIN_IN=-6", &answer));
    EXPECT_TRUE(orvtest::WaitUntil([&] {
        std::lock_guard<std::mutex> guard(received.lock);
        return received.lines.size() == 2;
    }));
    EXPECT_EQ(received.lines, (std::vector<std::string>{"GAIN_IN=0.0", "GAIN_IN=-6"}));
    channel.GetClient().Disconnect();
    channel.Stop();
    EXPECT_EQ(log.Count("", wxLOG_Error), 0) << log.Dump();
}
}  // namespace
