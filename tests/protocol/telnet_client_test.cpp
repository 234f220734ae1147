#include "protocol/telnet_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include "support/log_capture.h"
#include "support/scripted_peer.h"
#include "support/unanswered_port.h"
#include "support/wait_until.h"

namespace
{
using Clock = std::chrono::steady_clock;
using orvtest::CUnansweredPort;
using orvtest::ElapsedMs;
using orvtest::ScriptedPeer;

struct ReadStep
{
    int result;
    std::string line;  // UTF-8
};

struct ReadCase
{
    const char* name;
    std::vector<std::string> chunks;  // sent with a pause between them
    bool keepAsync;
    std::vector<ReadStep> expected;
};

class ReadLineCases : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadLineCases, ReturnsLinesAsTheyArrive)
{
    const ReadCase& c = GetParam();
    ScriptedPeer peer;
    for (std::size_t i = 0; i < c.chunks.size(); ++i)
        peer.Delay(i == 0 ? 0 : 100).Send(c.chunks[i]);
    peer.Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    client.SetTimeout(2000);
    for (const ReadStep& step : c.expected)
    {
        wxString line = "junk";
        EXPECT_EQ(client.ReadLine(line, c.keepAsync), step.result);
        EXPECT_EQ(std::string(line.utf8_str()), step.line);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLineCases,
    testing::Values(
        ReadCase{"TwoLinesOneSegment", {"A=1\nB=2\n"}, false, {{0, "A=1"}, {0, "B=2"}}},
        ReadCase{"LineSplitOverTwoSegments", {"HEL", "LO\n"}, false, {{5, ""}, {0, "HELLO"}}},
        ReadCase{"CrLf", {"OK\r\nX\r\r\n"}, false, {{0, "OK"}, {0, "X\r"}}},
        ReadCase{"SkipsAsyncAndIntermediateInOneCall", {"!A=1\n+busy\nVALUE\n"}, false, {{0, "VALUE"}}},
        ReadCase{
            "KeepsAsyncAndIntermediate", {"!A=1\n+busy\nVALUE\n"}, true, {{0, "!A=1"}, {0, "+busy"}, {0, "VALUE"}}},
        ReadCase{"SkipThenWaitForTheNextSegment", {"!A=1\n", "B\n"}, false, {{0, "B"}}},
        ReadCase{"EmptyLine", {"\n\n"}, false, {{0, ""}, {0, ""}}},
        ReadCase{"Utf8", {"PRESET=Caf\xC3\xA9 \xE2\x82\xAC\n"}, false, {{0, "PRESET=Caf\xC3\xA9 \xE2\x82\xAC"}}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(TelnetClient, SecondLineOfASegmentNeedsNoWait)
{
    ScriptedPeer peer;
    peer.Send("A\nB\n").Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    wxString line;
    ASSERT_EQ(client.ReadLine(line, false), 0);
    client.SetTimeout(0);  // a wait would now end at once with 5
    EXPECT_EQ(client.ReadLine(line, false), 0);
    EXPECT_EQ(line, "B");
}

// The batch read of the notification channel, on the connection it names.
class CBatchReader : public CTelnetClient
{
public:
    int ReadLines(std::vector<wxString>& lines, std::uint64_t id = 0)
    {
        return ReadLinesOn(id ? id : ConnectionId(), lines);
    }
    std::uint64_t Id() const { return ConnectionId(); }
};

TEST(TelnetClient, BatchReadTakesEveryLineAlreadyReceivedAndWaitsOnlyForTheFirst)
{
    ScriptedPeer peer;
    peer.Send("!A=1\n+busy\n\nVALUE\nPART").Delay(100).Send("IAL\r\n").Start();
    CBatchReader client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    client.SetTimeout(2000);
    std::vector<wxString> lines;
    ASSERT_EQ(client.ReadLines(lines), 0);
    EXPECT_EQ(lines, (std::vector<wxString>{"!A=1", "+busy", "", "VALUE"}));
    lines.clear();
    ASSERT_EQ(client.ReadLines(lines), 0);
    EXPECT_EQ(lines, std::vector<wxString>{"PARTIAL"});
    client.SetTimeout(50);
    lines.clear();
    EXPECT_EQ(client.ReadLines(lines), 5);
    EXPECT_EQ(client.ReadLines(lines, client.Id() + 1), 1) << "only the connection named is read";
    EXPECT_TRUE(lines.empty());
}

TEST(TelnetClient, SendsExactlyOneLineFeedAndUtf8)
{
    ScriptedPeer peer;
    peer.Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    EXPECT_EQ(client.Send(L"FORCEREPLY"), 0);
    EXPECT_EQ(client.Send(L"ALREADY\n"), 0);
    EXPECT_EQ(client.Send(L"%2$ls=%1$d", 5, L"GAIN"), 0);
    EXPECT_EQ(client.SendText(wxString::FromUTF8("NAME=100% Caf\xC3\xA9")), 0);
    EXPECT_EQ(client.Send(L""), 0);
    EXPECT_EQ(client.Send(nullptr), 2);
    const std::vector<std::string> expected = {"FORCEREPLY", "ALREADY", "GAIN=5", "NAME=100% Caf\xC3\xA9", ""};
    EXPECT_TRUE(orvtest::WaitUntil([&] { return peer.Received().size() >= expected.size(); }));
    EXPECT_EQ(peer.Received(), expected);
}

TEST(TelnetClient, NotConnectedResults)
{
    CTelnetClient client;
    wxString line = "junk";
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.Send(L"A"), 1);
    EXPECT_EQ(client.ReadLine(line, false), 1);
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(client.SetTimeout(300), 1);
    EXPECT_EQ(client.GetTimeout(), 300);
    client.Disconnect();
    client.Disconnect();
}

TEST(TelnetClient, TimeoutSetWhileClosedAppliesAfterConnecting)
{
    ScriptedPeer peer;
    peer.Start();
    CTelnetClient client;
    EXPECT_EQ(client.SetTimeout(300), 1);
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    wxString line;
    const auto start = Clock::now();
    EXPECT_EQ(client.ReadLine(line, false), 5);
    EXPECT_GE(ElapsedMs(start), 290);
    EXPECT_LT(ElapsedMs(start), 2000);
}

TEST(TelnetClient, ClosedByThePeerIsAReceiveFailureEveryTime)
{
    ScriptedPeer peer;
    peer.Send("LAST\n").Close().Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    client.SetTimeout(2000);
    wxString line;
    ASSERT_EQ(client.ReadLine(line, false), 0);
    const auto start = Clock::now();
    EXPECT_EQ(client.ReadLine(line, false), 4);
    EXPECT_EQ(client.ReadLine(line, false), 4) << "an ended stream must not look like a quiet one";
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_TRUE(client.IsConnected()) << "the owner decides when to disconnect";
}

TEST(TelnetClient, OverlongLineFailsTheReadOnceAndLaterLinesSurvive)
{
    orvtest::LogCapture log;
    ScriptedPeer peer;
    peer.Send(std::string(100 * 1024, 'x')).Send("tail\nOK\n").Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    client.SetTimeout(2000);
    wxString line;
    int result = 5;
    for (int i = 0; i < 200 && result == 5; ++i)
        result = client.ReadLine(line, false);
    EXPECT_EQ(result, 4);
    const std::string expected =
        "Host 127.0.0.1:" + std::to_string(peer.Port()) + " sent a line longer than 65536 bytes";
    EXPECT_EQ(log.Count(expected, wxLOG_Error), 1) << log.Dump();
    for (int i = 0; i < 200 && (result = client.ReadLine(line, false)) == 5;)
        ++i;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(line, "OK");
    EXPECT_EQ(log.Count("longer than"), 1);
}

TEST(TelnetClient, SendToAClosedPeerFailsWithoutSignal)
{
    struct sigaction previous = {};
    struct sigaction fatal = {};
    fatal.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &fatal, &previous);  // a SIGPIPE would now end the test program

    ScriptedPeer peer;
    peer.Close().Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    ASSERT_TRUE(peer.WaitClientClosed());
    int result = 0;
    for (int i = 0; i < 100 && result == 0; ++i)
    {
        result = client.Send(L"GAIN=%d", i);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(result, 2);
    sigaction(SIGPIPE, &previous, nullptr);
}

TEST(TelnetClient, ConnectFailures)
{
    orvtest::LogCapture log;
    CTelnetClient client;
    EXPECT_EQ(client.Connect("no-such-host.invalid", 3003), 1);
    EXPECT_TRUE(log.Contains("Error no such host no-such-host.invalid:3003", wxLOG_Error)) << log.Dump();

    int port;
    {
        ScriptedPeer gone;  // a port that was free a moment ago and has no listener now
        port = gone.Port();
    }
    log.Clear();
    EXPECT_EQ(client.Connect("127.0.0.1", port), 1);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(log.Records().empty()) << "the caller reports a refused connection: " << log.Dump();
}

TEST(TelnetClient, ConnectToAnAddressThatDoesNotAnswerIsBoundedByItsTimeout)
{
    CUnansweredPort silent;
    ASSERT_TRUE(silent.IsFull());
    CTelnetClient client;
    client.SetConnectTimeout(300);
    const auto start = Clock::now();
    EXPECT_EQ(client.Connect("127.0.0.1", silent.Port()), 1);
    EXPECT_GE(ElapsedMs(start), 250);
    EXPECT_LT(ElapsedMs(start), 2000);
}

TEST(TelnetClient, StopRequestEndsAConnectInProgress)
{
    CUnansweredPort silent;
    ASSERT_TRUE(silent.IsFull());
    CTelnetClient client;
    client.SetConnectTimeout(30000);
    const auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        client.SetStopRequested(true);
    });
    EXPECT_EQ(client.Connect("127.0.0.1", silent.Port()), 1);
    stopper.join();
    EXPECT_LT(ElapsedMs(start), 1000);

    ScriptedPeer peer;
    peer.Start();
    EXPECT_EQ(client.Connect("127.0.0.1", peer.Port()), 1) << "a stop request stays until it is withdrawn";
    client.SetStopRequested(false);
    EXPECT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
}

TEST(TelnetClient, DisconnectWakesABlockedReader)
{
    ScriptedPeer peer;
    peer.Start();
    CTelnetClient client;
    ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0);
    client.SetTimeout(10000);
    int result = -1;
    const auto start = Clock::now();
    std::thread reader([&] {
        wxString line;
        result = client.ReadLine(line, true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    client.Disconnect();
    reader.join();
    EXPECT_EQ(result, 4);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_FALSE(client.IsConnected());
}

// Connect, block a reader, disconnect from another thread and connect again at once, thousands of times: a reader
// must never use (or close) a descriptor that the system has meanwhile given to the new connection. Run under
// ThreadSanitizer, which reports any use of a descriptor racing with its close.
TEST(TelnetClient, DisconnectWhileReadingNeverTouchesAReusedDescriptor)
{
    ScriptedPeer peer;
    peer.StartEveryConnection();
    CTelnetClient client;
    client.SetTimeout(5000);
    constexpr int kCycles = 2000;
    int unexpected = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle)
    {
        ASSERT_EQ(client.Connect("127.0.0.1", peer.Port()), 0) << "cycle " << cycle;
        std::atomic<int> result{-1};
        std::atomic<bool> reading{false};
        std::thread reader([&] {
            wxString line;
            reading = true;
            result = client.ReadLine(line, true);
        });
        // Vary the moment of the disconnect: before the read starts, while it enters its wait, while it waits.
        if (cycle % 3 != 0)
        {
            while (!reading)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(cycle % 3 == 2 ? 200 : 0));
        }
        client.Disconnect();
        reader.join();
        if (result != 4 && result != 1)
            ++unexpected;
    }
    EXPECT_EQ(unexpected, 0);
}
}  // namespace
