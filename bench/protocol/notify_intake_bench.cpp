// Notification intake: the device simulator floods "!NAME=value" lines as fast as its subscriber reads them. The
// notification channel's delivery rate to its async handler is measured beside a raw reader that only splits lines
// on the same kind of stream, in the same run, and the process's memory is sampled during the channel's flood.
//
// --flood_seconds=N sets how long each flood runs (default 5; 60 for the memory check).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include <wx/init.h>

#include "bench_device.h"
#include "protocol/orvanta_notify.h"
#include "support/raw_line_client.h"

namespace
{
double g_floodSeconds = 5;
double g_rawRate = 0, g_channelRate = 0;
long g_rssStartKiB = 0, g_rssEndKiB = 0, g_rssMaxKiB = 0;

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

const char kFloodVariables[] = "LEVEL_A 0\nLEVEL_B 0\nLEVEL_C 0\nLEVEL_D 0\n";

void RawReader(benchmark::State& state)
{
    BenchDevice device(kFloodVariables);
    orvtest::RawLineClient client;
    std::string line;
    client.Connect(device.Port());
    for (const char* command : {"FORCEREPLY", "LOGIN guest,guest", "LEVEL_A!", "LEVEL_B!", "LEVEL_C!", "LEVEL_D!"})
        client.Ask(command);
    device.server->StartFlood(-1, {});
    for (auto _ : state)
    {
        std::uint64_t lines = 0;
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::duration<double>(g_floodSeconds);
        while (std::chrono::steady_clock::now() < end && client.ReadLine(line, 1000))
            ++lines;
        g_rawRate = lines / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    device.server->StopFlood();
    state.counters["lines_per_s"] = g_rawRate;
}

void ChannelIntake(benchmark::State& state)
{
    BenchDevice device(kFloodVariables);
    std::atomic<std::uint64_t> delivered{0};
    COrvantaNotify channel;
    StartCountingChannel(channel, device.Port(), delivered);
    for (const char* command : {"LEVEL_A!", "LEVEL_B!", "LEVEL_C!", "LEVEL_D!"})
        channel.RequestAndWait(command, nullptr);
    device.server->StartFlood(-1, {});
    for (auto _ : state)
    {
        std::this_thread::sleep_for(std::chrono::seconds(1));  // warm-up: buffers reach their working size
        g_rssStartKiB = g_rssMaxKiB = ResidentKiB();
        const std::uint64_t first = delivered.load();
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::duration<double>(g_floodSeconds);
        while (std::chrono::steady_clock::now() < end)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            g_rssMaxKiB = std::max(g_rssMaxKiB, ResidentKiB());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        g_channelRate = (delivered.load() - first) / seconds;
        g_rssEndKiB = ResidentKiB();
    }
    device.server->StopFlood();
    channel.GetClient().Disconnect();
    channel.Stop();
    state.counters["lines_per_s"] = g_channelRate;
    state.counters["rss_growth_KiB"] = static_cast<double>(g_rssEndKiB - g_rssStartKiB);
}

BENCHMARK(RawReader)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(ChannelIntake)->Iterations(1)->Unit(benchmark::kSecond);
}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--flood_seconds=", 16) == 0)
        {
            g_floodSeconds = std::atof(argv[i] + 16);
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * static_cast<std::size_t>(argc - i));
            --argc;
            --i;
        }
    }
    wxInitializer toolkit;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nNotification intake over %.0f s of flood:\n", g_floodSeconds);
    std::printf("  raw line splitter (reference): %.0f lines/s\n", g_rawRate);
    std::printf("  channel to async handler:      %.0f lines/s\n", g_channelRate);
    if (g_rawRate > 0)
        std::printf("  ratio %.2f (goal >= 0.50)\n", g_channelRate / g_rawRate);
    std::printf("  resident memory during the channel's flood: start %ld KiB, end %ld KiB, max %ld KiB\n",
                g_rssStartKiB, g_rssEndKiB, g_rssMaxKiB);
    return 0;
}
