#include "links/link_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_job.h"
#include "links/orv_link_sequential.h"
#include "links/orv_link_var.h"
#include "links_fixture.h"
#include "support/log_capture.h"
#include "support/scripted_peer.h"

namespace
{
using linktest::LinkedElement;
using linktest::ParseXml;

// Two hosts whose port has no listener: a write that reached a worker would fail at once and say so in the log.
class LinkSetTest : public linktest::LinkSetsTest
{
protected:
    LinkSetTest()
    {
        int port;
        {
            orvtest::ScriptedPeer gone;
            port = gone.Port();
        }
        LoadHosts(linktest::HostsXml({{"A", port}, {"B", port}}));
    }
    LinkedElement& Read(const std::string& links, int expected = 0) { return ReadLinks(links, expected); }
};

TEST_F(LinkSetTest, InitTellsWhetherTheElementHasLinks)
{
    Read("", 1);
    Read("<led/><info/>", 1);
    Read("<led/><link type='fixed' value='1'/>", 0);
    Read("<SEQ/>", 0);
    Read("<link type='fixed'/><seq><link/></seq><link type='fixed'/>", -1);
    EXPECT_EQ(m_log.Count("<seq> failed init", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_elements.back()->Set().GetLinks().size(), 1u) << "the failed seq is removed, later links not read";
}

TEST_F(LinkSetTest, ValueStringJoinsTheLinksAndFailsOnTheFirstWithoutValue)
{
    LinkedElement& fixed = Read(
        "<link type='fixed' value='A'/><link type='fixed' value=''/><link type='fixed' "
        "value='C'/>");
    EXPECT_EQ(fixed.Text(), "A\n\nC");
    LinkedElement& mixed = Read("<link type='fixed' value='A'/><link host='A' variable='GAIN'/>");
    EXPECT_EQ(mixed.Text(), "<none>");
    m_hosts.FindHost("A")->OnAsync("GAIN=2");
    EXPECT_EQ(mixed.Text(), "A\n2");
}

TEST_F(LinkSetTest, JobsGroupVariableLinksPerHostAndGiveOtherLinksTheirOwn)
{
    LinkedElement& element = Read(
        "<link host='A' variable='a1' value='1'/>"
        "<link host='B' variable='B1' value='on' valueoff='off'/>"
        "<link type='fixed' value='1'/>"
        "<link host='A' variable='A2' value='2' valueoff='0'><dynvalue><link type='fixed' value='9'/></dynvalue>"
        "</link>"
        "<seq><link host='B' variable='B2' value='1'/></seq>");
    const auto& jobs = element.Set().GetJobs();
    ASSERT_EQ(jobs.size(), 4u);

    EXPECT_EQ(jobs[0]->GetHost(), m_hosts.FindHost("A"));
    EXPECT_EQ(jobs[0]->GetNames(), (std::vector<wxString>{"a1", "A2"}));
    EXPECT_EQ(jobs[0]->GetValues(), (std::vector<wxString>{"1", ""})) << "a dynamic value is read at each press";
    EXPECT_FALSE(jobs[0]->IsStatic());
    EXPECT_EQ(jobs[0]->GetNamesOff(), std::vector<wxString>{"A2"});
    EXPECT_EQ(jobs[0]->GetValuesOff(), std::vector<wxString>{"0"});

    EXPECT_EQ(jobs[1]->GetHost(), m_hosts.FindHost("B"));
    EXPECT_EQ(jobs[1]->GetNames(), std::vector<wxString>{"B1"});
    EXPECT_TRUE(jobs[1]->IsStatic());

    EXPECT_EQ(jobs[2]->GetHost(), nullptr);
    EXPECT_FALSE(jobs[2]->GetOther()->IsVariable());
    EXPECT_NE(dynamic_cast<COrvLinkSequential*>(jobs[3]->GetOther()), nullptr)
        << "a sequential link's variables stay out of the host jobs";
}

TEST_F(LinkSetTest, SwitchingOffWithoutValueOffStartsNoWorker)
{
    LinkedElement& element = Read("<link host='A' variable='A1' value='1'/><link host='B' variable='B1' value='1'/>");
    EXPECT_TRUE(element.Set().SetValue(0));
    EXPECT_EQ(m_log.Count("failed"), 0) << "nothing may have been written: " << m_log.Dump();
}

TEST_F(LinkSetTest, ComputedLinksRefuseWritesAndEmptySeqSucceeds)
{
    EXPECT_FALSE(Read("<link type='fixed' value='1'/>").Set().SetValue(1)) << "a fixed link cannot be written";
    EXPECT_FALSE(Read("<link type='choice'><choice/></link>").Set().SetValueString("x"));
    LinkedElement& empty = Read("<seq/>");
    EXPECT_TRUE(empty.Set().SetValue(1));
    EXPECT_TRUE(empty.Set().SetValue(0));
    EXPECT_TRUE(empty.Set().SetValueString("x"));
}

TEST_F(LinkSetTest, FailedHostWriteFailsTheAction)
{
    LinkedElement& element = Read("<link host='A' variable='A1' value='1'/>");
    EXPECT_FALSE(element.Set().SetValue(1));
    EXPECT_EQ(m_log.Count("SetVarsValues for A failed send"), 1) << m_log.Dump();
}

// The control callbacks of all link sets run under one lock: two hosts delivering values at the same time never
// run two callbacks at once.
class ExclusiveTarget : public CLinkTarget
{
public:
    void OnValue()
    {
        if (m_inside.exchange(true))
            m_overlaps.fetch_add(1);
        std::this_thread::yield();
        m_inside.store(false);
    }

    std::atomic<bool> m_inside{false};
    std::atomic<int> m_overlaps{0};
};

TEST_F(LinkSetTest, CallbacksNeverRunAtTheSameTime)
{
    ExclusiveTarget target;
    auto document = ParseXml("<button><link host='A' variable='X'/><link host='B' variable='Y'/></button>");
    CLinkSet set(&m_hosts, &target);
    set.SetCallbacks(&ExclusiveTarget::OnValue, &ExclusiveTarget::OnValue);
    ASSERT_EQ(set.Init(document.get()), 0);
    auto deliver = [&](const char* host, const char* name) {
        m_log.AttachThisThread();
        for (int i = 0; i < 2000; ++i)
            m_hosts.FindHost(host)->OnAsync(wxString::Format("%s=%d", name, i));
    };
    std::thread first(deliver, "A", "X");
    std::thread second(deliver, "B", "Y");
    first.join();
    second.join();
    EXPECT_EQ(target.m_overlaps.load(), 0);
}
}  // namespace
