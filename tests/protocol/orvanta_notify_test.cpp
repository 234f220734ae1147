#include "protocol/orvanta_notify.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "support/log_capture.h"
#include "support/scripted_peer.h"
#include "support/wait_until.h"

namespace
{
using Clock = std::chrono::steady_clock;
using orvtest::ElapsedMs;
using orvtest::ScriptedPeer;

// Records the asynchronous lines and the thread each arrived on.
struct AsyncRecorder
{
    std::mutex lock;
    std::vector<std::string> lines;
    std::vector<std::thread::id> threads;
    std::function<void(const std::string&)> onLine;

    static void Push(void* context, const wxString& line)
    {
        auto* self = static_cast<AsyncRecorder*>(context);
        const std::string text(line.utf8_str());
        {
            std::lock_guard<std::mutex> guard(self->lock);
            self->lines.push_back(text);
            self->threads.push_back(std::this_thread::get_id());
        }
        if (self->onLine)
            self->onLine(text);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> guard(lock);
        return lines;
    }
};

// A logged-in channel against a scripted device; each test appends what the device does after the login.
class NotifyChannel : public testing::Test
{
protected:
    NotifyChannel() { m_peer.Reply("FORCEREPLY", "OK").Reply("LOGIN guest,guest", "OK"); }
    ~NotifyChannel() override
    {
        m_channel.GetClient().Disconnect();
        m_channel.Stop();
    }

    void Connect(bool login = true)
    {
        m_peer.Start();
        m_channel.SetAsyncHandler(&m_async, &AsyncRecorder::Push);
        m_channel.SetAnswerTimeout(300);
        ASSERT_EQ(m_channel.GetClient().Open("127.0.0.1", m_peer.Port()), 0);
        if (login)
        {
            ASSERT_EQ(m_channel.GetClient().Login("guest,guest"), 0);
        }
        ASSERT_TRUE(m_channel.Start());
    }

    orvtest::LogCapture m_log;
    ScriptedPeer m_peer;
    AsyncRecorder m_async;
    COrvantaNotify m_channel;
};

TEST_F(NotifyChannel, IntermediateLineBeforeTheValueIsDropped)
{
    m_peer.Expect("GAIN?").Send("+busy\n-3.5\n");
    Connect();
    wxString answer;
    EXPECT_TRUE(m_channel.RequestAndWait("GAIN?", &answer));
    EXPECT_EQ(answer, "-3.5");
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(NotifyChannel, IntermediateLineAloneTimesOutAndIsReportedLate)
{
    // The '+' line must come while the waiter waits: one that is already queued when the wait begins is dropped
    // as an intermediate line. The device therefore sends it a moment after the command.
    m_peer.Expect("GAIN?").Delay(150).Send("+busy\n").Reply("MUTE?", "0");
    Connect();
    m_channel.SetAnswerTimeout(1000);
    const auto start = Clock::now();
    EXPECT_FALSE(m_channel.RequestAndWait("GAIN?", nullptr));
    EXPECT_GE(ElapsedMs(start), 990);
    EXPECT_EQ(m_log.Count("Timeout on Wait for Cmd GAIN?", wxLOG_Error), 1) << m_log.Dump();
    ASSERT_TRUE(orvtest::WaitUntil([&] { return m_channel.GetPendingAnswerCount() == 1; })) << m_log.Dump();
    wxString answer;
    EXPECT_TRUE(m_channel.RequestAndWait("MUTE?", &answer));
    EXPECT_EQ(answer, "0");
    EXPECT_EQ(m_log.Count("O&V: late answer pending was not handled (count:1) first:+busy", wxLOG_Error), 1)
        << m_log.Dump();
}

TEST_F(NotifyChannel, NotificationBetweenCommandAndAnswerGoesToTheHandler)
{
    m_peer.Expect("GAIN?").Send("!MUTE=1\n-3.5\n");
    Connect();
    wxString answer;
    EXPECT_TRUE(m_channel.RequestAndWait("GAIN?", &answer));
    EXPECT_EQ(answer, "-3.5");
    EXPECT_TRUE(orvtest::WaitUntil([&] { return m_async.Lines().size() == 1; }));
    EXPECT_EQ(m_async.Lines(), std::vector<std::string>{"MUTE=1"});
}

TEST_F(NotifyChannel, HeldNotificationsArriveInOrderOnTheReleasingThread)
{
    m_peer.Expect("SYNC").Send("!A=1\n!B=2\n!A=3\nOK\n");
    Connect();
    m_channel.SetHoldAsync(true);
    ASSERT_TRUE(m_channel.RequestAndWait("SYNC", nullptr));  // the three lines came before this answer
    EXPECT_TRUE(m_async.Lines().empty());
    m_channel.SetHoldAsync(false);
    EXPECT_EQ(m_async.Lines(), (std::vector<std::string>{"A=1", "B=2", "A=3"}));
    for (std::thread::id id : m_async.threads)
        EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(NotifyChannel, NotificationDuringReleaseDoesNotOvertakeHeldOnes)
{
    m_peer.Expect("SYNC").Send("!A=1\nOK\n").Expect("TRIGGER").Send("!A=2\n");
    Connect();
    m_channel.SetHoldAsync(true);
    ASSERT_TRUE(m_channel.RequestAndWait("SYNC", nullptr));
    bool triggered = false;
    m_async.onLine = [&](const std::string& line) {
        if (line != "A=1" || triggered)
            return;
        // While the held value is being delivered, the device sends a newer one.
        triggered = true;
        m_channel.GetClient().SendText("TRIGGER");
        orvtest::WaitUntil([&] { return m_async.Lines().size() > 1; }, std::chrono::milliseconds(300));
    };
    m_channel.SetHoldAsync(false);
    EXPECT_TRUE(orvtest::WaitUntil([&] { return m_async.Lines().size() == 2; }));
    EXPECT_EQ(m_async.Lines(), (std::vector<std::string>{"A=1", "A=2"}));
}

TEST_F(NotifyChannel, NothingIsSentWhileNotLoggedIn)
{
    Connect(false);
    const auto start = Clock::now();
    EXPECT_FALSE(m_channel.RequestAndWait("GAIN?", nullptr));
    EXPECT_FALSE(m_channel.SendCommands("GAIN?"));
    EXPECT_LT(ElapsedMs(start), 100);
    m_channel.GetClient().Disconnect();
    ASSERT_TRUE(m_peer.WaitClientClosed());
    EXPECT_EQ(m_peer.Received(), std::vector<std::string>{"FORCEREPLY"});
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(NotifyChannel, EmptyAnswerLineIsAnAnswer)
{
    m_peer.Expect("PRESET?").Send("\n");
    Connect();
    wxString answer = "junk";
    EXPECT_TRUE(m_channel.RequestAndWait("PRESET?", &answer));
    EXPECT_TRUE(answer.empty());
}

TEST_F(NotifyChannel, BatchIsAnsweredLineByLineInOrder)
{
    m_peer.Expect("A?").Expect("B?").Expect("C?").Send("1\n!X=9\n+\n2\n*unknown C\n");
    Connect();
    std::lock_guard<std::mutex> request(m_channel.GetRequestLock());
    ASSERT_TRUE(m_channel.SendCommands("A?\nB?\nC?\n"));
    std::vector<std::string> answers;
    for (const char* command : {"A?", "B?", "C?"})
    {
        wxString answer;
        ASSERT_TRUE(m_channel.WaitAnswer(command, &answer)) << m_log.Dump();
        answers.push_back(std::string(answer.utf8_str()));
    }
    EXPECT_EQ(answers, (std::vector<std::string>{"1", "2", "*unknown C"}));
}

TEST_F(NotifyChannel, BatchAnswersAreTakenTogetherUntilTheFirstMissingOne)
{
    m_peer.Expect("A?").Expect("B?").Expect("C?").Send("1\n+\n!X=9\n2\n");
    Connect();
    std::lock_guard<std::mutex> request(m_channel.GetRequestLock());
    ASSERT_TRUE(m_channel.SendCommands("A?\nB?\nC?\n"));
    std::vector<wxString> answers{"earlier"};
    EXPECT_EQ(m_channel.WaitAnswers({"A?", "B?", "C?"}, answers), 2u);
    EXPECT_EQ(answers, (std::vector<wxString>{"earlier", "1", "2"}));
    EXPECT_EQ(m_log.Count("Timeout on Wait for Cmd C?", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_async.Lines(), std::vector<std::string>{"X=9"});
}

// The lines of one read are sorted together; an answer that came before a notification must reach its waiter
// before the notification's handler runs, since the handler may wait for a lock that the waiter holds.
TEST_F(NotifyChannel, AnAnswerIsNotHeldBackByTheNotificationAfterIt)
{
    m_peer.Expect("GAIN?").Send("-3.5\n!MUTE=1\n");
    std::atomic<bool> answered{false};
    std::atomic<bool> handlerSawAnswer{false};
    m_async.onLine = [&](const std::string&) {
        handlerSawAnswer = orvtest::WaitUntil([&] { return answered.load(); }, std::chrono::seconds(2));
    };
    Connect();
    m_channel.SetAnswerTimeout(1000);
    wxString answer;
    const auto start = Clock::now();
    EXPECT_TRUE(m_channel.RequestAndWait("GAIN?", &answer));
    answered = true;
    EXPECT_LT(ElapsedMs(start), 500);
    EXPECT_EQ(answer, "-3.5");
    EXPECT_TRUE(orvtest::WaitUntil([&] { return handlerSawAnswer.load(); }));
}

TEST_F(NotifyChannel, StoppingWhileACommandWaitsWakesItSilently)
{
    m_peer.Expect("GAIN?");
    Connect();
    m_channel.SetAnswerTimeout(5000);
    std::atomic<bool> result{true};
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    std::thread waiter([&] {
        m_log.AttachThisThread();
        result = m_channel.RequestAndWait("GAIN?", nullptr);
        done = true;
    });
    // Only a waiter that is already waiting is woken silently; one that finds the client gone reports it.
    ASSERT_TRUE(orvtest::WaitUntil([&] { return m_channel.GetWaiterCount() == 1; }));
    m_channel.GetClient().Disconnect();
    m_channel.Stop();
    waiter.join();
    EXPECT_FALSE(result);
    EXPECT_LT(ElapsedMs(start), 2000);
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(NotifyChannel, DeviceClosingDropsTheSession)
{
    m_peer.Expect("BYE").Close();
    Connect();
    EXPECT_FALSE(m_channel.RequestAndWait("BYE", nullptr));
    EXPECT_TRUE(orvtest::WaitUntil([&] { return !m_channel.GetClient().IsConnected(); }));
    EXPECT_FALSE(m_channel.GetClient().IsLoggedIn());
}

TEST_F(NotifyChannel, Utf8ValuesRoundTrip)
{
    const std::string value = "Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC";
    m_peer.Reply("PRESET=" + value, value).Send("!PRESET=" + value + "\n");
    Connect();
    wxString answer;
    EXPECT_TRUE(m_channel.RequestAndWait(wxString::FromUTF8("PRESET=" + value), &answer));
    EXPECT_EQ(std::string(answer.utf8_str()), value);
    EXPECT_TRUE(orvtest::WaitUntil([&] { return m_async.Lines().size() == 1; }));
    EXPECT_EQ(m_async.Lines(), std::vector<std::string>{"PRESET=" + value});
}

TEST_F(NotifyChannel, OverlongLineDropsTheSession)
{
    m_peer.Send(std::string(100 * 1024, 'x'));
    Connect();
    EXPECT_TRUE(orvtest::WaitUntil([&] { return !m_channel.GetClient().IsConnected(); }));
    EXPECT_EQ(m_log.Count("sent a line longer than 65536 bytes", wxLOG_Error), 1) << m_log.Dump();
}
}  // namespace
