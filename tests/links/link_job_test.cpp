#include "links/link_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links/orv_link_var.h"
#include "links_fixture.h"
#include "support/log_capture.h"
#include "support/scripted_peer.h"
#include "support/wait_until.h"

namespace
{
using linktest::LinkedElement;
using linktest::ParseXml;
using linktest::Simulator;
using orvtest::ScriptedPeer;
using orvtest::WaitUntil;

// Link sets over hosts with a short answer wait; the hosts' threads run only where a test starts them (without
// them, the first write connects).
class JobTest : public linktest::LinkSetsTest
{
protected:
    void LoadPorts(const std::vector<std::pair<std::string, int>>& hosts)
    {
        LoadHosts(linktest::HostsXml(hosts));
        m_hosts.SetPollInterval(20);
        for (const auto& host : hosts)
            m_hosts.FindHost(host.first)->SetAnswerTimeout(300);
    }
    LinkedElement& Read(const std::string& links) { return ReadLinks(links); }
};

TEST_F(JobTest, EachHostGetsItsWritesInOneBatch)
{
    // Each device answers only when the whole batch has arrived: writes sent one exchange at a time would wait
    // for an answer that never comes.
    ScriptedPeer first;
    first.Reply("FORCEREPLY", "OK")
        .Reply("LOGIN guest,guest", "OK")
        .Reply("A1!", "OK")
        .Reply("A2!", "OK")
        .Expect("A1=1")
        .Expect("A2=on")
        .Send("1\non\n");
    ScriptedPeer second;
    second.Reply("FORCEREPLY", "OK").Reply("LOGIN guest,guest", "OK").Reply("B1!", "OK").Reply("B1=5", "5");
    first.Start();
    second.Start();
    LoadPorts({{"A", first.Port()}, {"B", second.Port()}});
    LinkedElement& element = Read(
        "<link host='A' variable='a1' value='1'/><link host='B' variable='B1' value='5'/>"
        "<link host='A' variable='A2' value='on'/>");
    ASSERT_EQ(element.Set().GetJobs().size(), 2u);
    EXPECT_TRUE(element.Set().SetValue(1)) << m_log.Dump() << first.Errors() << second.Errors();
    EXPECT_TRUE(first.WaitScriptDone()) << first.Errors();
    EXPECT_TRUE(second.WaitScriptDone()) << second.Errors();
    EXPECT_EQ(element.Text(), "1\n5\non");
}

const char kVariables[] =
    "S1 0\n"
    "S2 0 readonly\n"
    "S3 0\n"
    "SRC 5\n"
    "DST 0\n"
    "OFF 1\n";

TEST_F(JobTest, SequenceStopsAtItsFirstFailure)
{
    Simulator device(kVariables);
    LoadPorts({{"A", device.Port()}});
    LinkedElement& element = Read(
        "<seq><link host='A' variable='S1' value='1'/><link host='A' variable='S2' value='1'/>"
        "<link host='A' variable='S3' value='1'/></seq>");
    EXPECT_FALSE(element.Set().SetValue(1));
    EXPECT_EQ(device.Value("S1"), "1");
    EXPECT_EQ(device.Value("S2"), "0");
    EXPECT_EQ(device.Value("S3"), "0") << "links after the failed one are not written";
}

// Each device holds the answer to its write until the other device has received its own: written one host after
// the other, the first write would wait in vain and fail on the answer time-out.
TEST_F(JobTest, WritesToDifferentHostsRunAtTheSameTime)
{
    std::atomic<int> arrived{0};
    auto meet = [&arrived](const std::string&, const std::string&) {
        ++arrived;
        WaitUntil([&arrived] { return arrived.load() >= 2; }, std::chrono::milliseconds(2000));
    };
    Simulator first(kVariables);
    Simulator second(kVariables);
    first.Model().AddListener(meet);
    second.Model().AddListener(meet);
    LoadPorts({{"A", first.Port()}, {"B", second.Port()}});
    LinkedElement& element = Read("<link host='A' variable='S1' value='1'/><link host='B' variable='S3' value='1'/>");
    ASSERT_EQ(element.Set().GetJobs().size(), 2u);
    EXPECT_TRUE(element.Set().SetValue(1)) << m_log.Dump();
    EXPECT_EQ(arrived.load(), 2);
    EXPECT_EQ(first.Value("S1"), "1");
    EXPECT_EQ(second.Value("S3"), "1");
}

TEST_F(JobTest, DynamicValueIsReadAtEachPressAndTextIsWrittenAsGiven)
{
    Simulator device(kVariables);
    LoadPorts({{"A", device.Port()}});
    m_hosts.StartAll();
    LinkedElement& element = Read(
        "<link host='A' variable='DST' value='1'><dynvalue><link host='A' variable='SRC'/></dynvalue></link>"
        "<link host='A' variable='OFF' value='1' valueoff='0'/>");
    ASSERT_TRUE(WaitUntil([&] { return element.Text() == "0\n1"; })) << m_log.Dump();

    EXPECT_TRUE(element.Set().SetValue(1));
    EXPECT_EQ(device.Value("DST"), "5");
    device.Model().Change("SRC", "8");
    ASSERT_TRUE(WaitUntil([&] {
        wxString requested;
        auto* link = static_cast<COrvLinkVar*>(element.Link());
        return link->GetRequestedValue(1, requested) && requested == "8";
    }));
    EXPECT_TRUE(element.Set().SetValue(1));
    EXPECT_EQ(device.Value("DST"), "8");
    EXPECT_EQ(element.Set().GetJobs().front()->GetNames().size(), 2u) << "one name per link, however often pressed";

    EXPECT_TRUE(element.Set().SetValue(0));
    EXPECT_EQ(device.Value("OFF"), "0");
    EXPECT_EQ(device.Value("DST"), "8") << "a link without valueoff is left alone";

    EXPECT_TRUE(element.Set().SetValueString("3"));
    EXPECT_EQ(device.Value("DST"), "3");
    EXPECT_EQ(device.Value("OFF"), "3");
}

TEST_F(JobTest, UnreadableDynamicValueIsWrittenEmpty)
{
    Simulator device(kVariables);
    LoadPorts({{"A", device.Port()}});
    LinkedElement& element =
        Read("<link host='A' variable='DST' value='1'><dynvalue><link host='A' variable='SRC'/></dynvalue></link>");
    // The host thread is not running: SRC has no value yet, and the write connects first.
    EXPECT_TRUE(element.Set().SetValue(1));
    EXPECT_EQ(m_log.Count("Can not get dynamic value for DST", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(device.Value("DST"), "");
}
}  // namespace
