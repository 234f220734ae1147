// One poll cycle of 500 poll-mode variables of one host, beside a single-variable round trip through the same
// host, measured in turns in the same run. The host's thread is not started: the benchmark runs the cycles itself.
// For scale, a raw TCP client sends the same batch of reads to the same device and reads the answers (the floor of
// a cycle).
#include <cstdio>
#include <tuple>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links_bench.h"
#include "support/raw_line_client.h"

namespace
{
constexpr int kVariables = 500;
constexpr int kCycles = 1000;  // and as many round trips, in turns
double g_cycle = 0, g_roundTrip = 0, g_rawBatch = 0;

std::string PollVariables()
{
    std::string text = "ONE 1\n";
    for (int i = 0; i < kVariables; ++i)
        text += "P" + std::to_string(i) + " " + std::to_string(i) + " poll\n";
    return text;
}

void PollCycle(benchmark::State& state)
{
    CProgramLog log;
    BenchDevice device(PollVariables());
    CHostList hosts;
    auto element = ParseDocument(HostsDocument({{"A", device.Port()}}));
    hosts.Load(element.get());
    CHost& host = *hosts.FindHost("A");
    std::string links = "<button host='A'>";
    for (int i = 0; i < kVariables; ++i)
        links += "<link variable='P" + std::to_string(i) + "'/>";
    auto button = ParseDocument(links + "</button>");
    {
        CLinkSet set(&hosts, nullptr);
        set.Init(button.get());
        host.ConnectHost();
        wxString answer;
        for (auto _ : state)
        {
            std::tie(g_roundTrip, g_cycle) = MediansInTurns(
                kCycles, [&] { return host.SendCommand("ONE?", answer); },
                [&] {
                    host.Poll();
                    return true;
                });
        }
    }
    state.counters["cycle_us"] = g_cycle;
    state.counters["round_trip_us"] = g_roundTrip;
}

void RawBatch(benchmark::State& state)
{
    BenchDevice device(PollVariables());
    orvtest::RawLineClient client;
    std::string line, batch;
    client.Connect(device.Port());
    client.ReadLine(line);
    client.Ask("FORCEREPLY");
    client.Ask("LOGIN guest,guest");
    for (int i = 0; i < kVariables; ++i)
        batch += "P" + std::to_string(i) + "?\n";
    for (auto _ : state)
    {
        g_rawBatch = MedianMicros(kCycles, [&] {
            bool read = client.SendRaw(batch);
            for (int i = 0; read && i < kVariables; ++i)
                read = client.ReadLine(line);
            return read;
        });
    }
    state.counters["raw_batch_us"] = g_rawBatch;
}

BENCHMARK(RawBatch)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PollCycle)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    RunBenchmarks(argc, argv);
    std::printf("\nPoll cycle of %d poll-mode variables (median of %d):  %.1f us\n", kVariables, kCycles, g_cycle);
    std::printf("Single-variable round trip (median of %d):          %.1f us\n", kCycles, g_roundTrip);
    std::printf("Raw client, the same batch (floor, median of %d):    %.1f us\n", kCycles, g_rawBatch);
    if (g_roundTrip > 0)
        std::printf("ratio to the round trip %.2f (goal <= 10.00)\n", g_cycle / g_roundTrip);
    if (g_rawBatch > 0)
        std::printf("ratio to the raw batch %.2f\n", g_cycle / g_rawBatch);
    return 0;
}
