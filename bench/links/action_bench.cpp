// CLinkSet::SetValue(1) on 10 variables over 2 hosts (two jobs on two threads, one batch each), beside a
// single-variable round trip through one of the hosts, measured in turns in the same run.
#include <cstdio>
#include <tuple>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links_bench.h"

namespace
{
constexpr int kActions = 2000;  // and as many round trips, in turns
double g_action = 0, g_roundTrip = 0;

const char kVariables[] = "V0 0\nV1 0\nV2 0\nV3 0\nV4 0\n";

void SetValueOnTwoHosts(benchmark::State& state)
{
    CProgramLog log;
    BenchDevice first(kVariables);
    BenchDevice second(kVariables);
    CHostList hosts;
    auto element = ParseDocument(HostsDocument({{"A", first.Port()}, {"B", second.Port()}}));
    hosts.Load(element.get());
    std::string links = "<button>";
    for (const char* alias : {"A", "B"})
    {
        for (int i = 0; i < 5; ++i)
            links += std::string("<link host='") + alias + "' variable='V" + std::to_string(i) + "' value='1'/>";
    }
    auto button = ParseDocument(links + "</button>");
    {
        CLinkSet set(&hosts, nullptr);
        set.Init(button.get());
        CHost& host = *hosts.FindHost("A");
        host.ConnectHost();
        hosts.FindHost("B")->ConnectHost();
        hosts.StartAll();
        wxString answer;
        for (auto _ : state)
        {
            std::tie(g_roundTrip, g_action) = MediansInTurns(
                kActions, [&] { return host.SendCommand("V0?", answer); }, [&] { return set.SetValue(1); });
        }
    }
    hosts.Clear();
    state.counters["action_us"] = g_action;
    state.counters["round_trip_us"] = g_roundTrip;
}

BENCHMARK(SetValueOnTwoHosts)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    RunBenchmarks(argc, argv);
    std::printf("\nSetValue(1) on 10 variables over 2 hosts (median of %d): %.1f us\n", kActions, g_action);
    std::printf("Single-variable round trip (median of %d):               %.1f us\n", kActions, g_roundTrip);
    if (g_roundTrip > 0)
        std::printf("ratio %.2f (goal <= 3.00)\n", g_action / g_roundTrip);
    return 0;
}
