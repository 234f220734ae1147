#include "links/host_list.h"

#include <gtest/gtest.h>

#include "links/host.h"
#include "links_fixture.h"
#include "support/log_capture.h"

namespace
{
using linktest::ParseXml;

TEST(HostList, LoadsHostsWithDefaultsAndSkipsBadElements)
{
    orvtest::LogCapture log;
    auto hosts = ParseXml(
        "<hosts>"
        "<host alias='A'/>"
        "<HOST alias='B' host='dev.local' port='4000' login='op,pw'/>"
        "<device alias='C'/>"
        "<host host='nameless'/>"
        "<host alias='A' host='second'/>"
        "<host alias='P' port='30x3'/>"
        "</hosts>");
    CHostList list;
    list.Load(hosts.get());

    struct Expected
    {
        const char* alias;
        const char* host;
        int port;
    };
    for (const Expected& expected :
         {Expected{"A", "localhost", 3003}, Expected{"B", "dev.local", 4000}, Expected{"P", "localhost", 3003}})
    {
        CHost* host = list.FindHost(expected.alias);
        ASSERT_NE(host, nullptr) << expected.alias;
        EXPECT_EQ(host->GetHostName(), expected.host) << expected.alias;
        EXPECT_EQ(host->GetPort(), expected.port) << expected.alias;
    }
    EXPECT_EQ(list.FindHost("C"), nullptr);
    EXPECT_EQ(log.Count("Unexpected tag device at hosts->device", wxLOG_Error), 1) << log.Dump();
    EXPECT_EQ(log.Count("host alias is not defined", wxLOG_Error), 1) << log.Dump();
    EXPECT_EQ(log.Count("Missing alias for host", wxLOG_Info), 1) << log.Dump();
    EXPECT_EQ(log.Count("host A already defined", wxLOG_Info), 1) << log.Dump();
    EXPECT_EQ(log.Count("host port: value can not be computed", wxLOG_Error), 1) << log.Dump();
}

TEST(HostList, LoneHostElementIsLoadedAsTheOneHost)
{
    auto host = ParseXml("<host alias='Solo' port='3100'/>");
    CHostList list;
    list.Load(host.get());
    ASSERT_NE(list.FindHost("Solo"), nullptr);
    EXPECT_EQ(list.FindHost("Solo")->GetPort(), 3100);
}

TEST(HostList, FindHost)
{
    orvtest::LogCapture log;
    auto one = ParseXml("<hosts><host alias='A'/></hosts>");
    auto two = ParseXml("<hosts><host alias='A'/><host alias='B'/></hosts>");
    CHostList single;
    single.Load(one.get());
    CHostList pair;
    pair.Load(two.get());

    EXPECT_EQ(single.FindHost(""), single.FindHost("A")) << "the only host serves links that name none";
    EXPECT_EQ(single.FindHost("a"), nullptr) << "aliases are exact";
    EXPECT_EQ(log.Count("host a is not defined", wxLOG_Info), 1) << log.Dump();
    EXPECT_EQ(pair.FindHost(""), nullptr);
    EXPECT_EQ(log.Count("host  is not defined", wxLOG_Info), 1) << log.Dump();
}

TEST(HostList, PollIntervalReachesHostsLoadedBeforeAndAfter)
{
    auto first = ParseXml("<hosts><host alias='A'/></hosts>");
    auto second = ParseXml("<hosts><host alias='B'/></hosts>");
    CHostList list;
    list.Load(first.get());
    EXPECT_EQ(list.FindHost("A")->GetPollInterval(), CHostList::kDefaultPollIntervalMs);
    list.SetPollInterval(40);
    list.Load(second.get());
    EXPECT_EQ(list.FindHost("A")->GetPollInterval(), 40);
    EXPECT_EQ(list.FindHost("B")->GetPollInterval(), 40);
}

TEST(HostList, PollIntervalFromVuSpeed)
{
    const std::pair<int, int> cases[] = {{25, 100}, {1, 2500}, {100, 25}, {3, 833}, {0, 100}, {101, 100}, {-5, 100}};
    for (const auto& [speed, interval] : cases)
        EXPECT_EQ(CHostList::PollIntervalForVuSpeed(speed), interval) << "vuspeed " << speed;
}
}  // namespace
