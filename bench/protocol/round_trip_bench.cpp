// Round trip of one read against the device simulator on loopback: the notification channel's RequestAndWait
// beside a raw TCP client sending the same line to the same device (the floor), in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <wx/init.h>

#include "bench_device.h"
#include "protocol/orvanta_notify.h"
#include "support/raw_line_client.h"

namespace
{
constexpr int kExchanges = 10000;
const char kCommand[] = "GAIN_IN?";

struct Percentiles
{
    double p50 = 0, p99 = 0;
};
Percentiles g_raw, g_channel;

Percentiles Measure(const std::function<bool()>& exchange)
{
    std::vector<double> micros;
    micros.reserve(kExchanges);
    for (int i = 0; i < kExchanges; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        if (!exchange())
            break;
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    Percentiles result;
    if (micros.size() < static_cast<std::size_t>(kExchanges))
        return result;
    std::sort(micros.begin(), micros.end());
    result.p50 = micros[micros.size() / 2];
    result.p99 = micros[micros.size() * 99 / 100];
    return result;
}

void Report(benchmark::State& state, const Percentiles& figures)
{
    state.counters["p50_us"] = figures.p50;
    state.counters["p99_us"] = figures.p99;
    if (figures.p50 == 0)
        state.SkipWithError("exchanges failed");
}

void RawPingPong(benchmark::State& state)
{
    BenchDevice device("GAIN_IN -3.5 range=-24;12 step=0.5\n");
    orvtest::RawLineClient client;
    std::string line;
    client.Connect(device.Port());
    client.ReadLine(line);
    client.Ask("FORCEREPLY");
    client.Ask("LOGIN guest,guest");
    for (auto _ : state)
        g_raw = Measure([&] { return client.Ask(kCommand) == "-3.5"; });
    Report(state, g_raw);
}

void RequestAndWait(benchmark::State& state)
{
    BenchDevice device("GAIN_IN -3.5 range=-24;12 step=0.5\n");
    COrvantaNotify channel;
    channel.GetClient().Open("127.0.0.1", device.Port());
    channel.GetClient().Login("guest,guest");
    channel.Start();
    wxString answer;
    for (auto _ : state)
        g_channel = Measure([&] { return channel.RequestAndWait(kCommand, &answer) && answer == "-3.5"; });
    Report(state, g_channel);
    channel.GetClient().Disconnect();
    channel.Stop();
}

BENCHMARK(RawPingPong)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RequestAndWait)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    wxInitializer toolkit;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nRound trip over %d exchanges of \"%s\":\n", kExchanges, kCommand);
    std::printf("  raw TCP ping-pong (floor):  p50 %.1f us  p99 %.1f us\n", g_raw.p50, g_raw.p99);
    std::printf("  RequestAndWait:             p50 %.1f us  p99 %.1f us\n", g_channel.p50, g_channel.p99);
    if (g_raw.p50 > 0)
        std::printf("  ratio p50 %.2f (goal <= 2.00), p99 %.2f\n", g_channel.p50 / g_raw.p50,
                    g_channel.p99 / g_raw.p99);
    return 0;
}
