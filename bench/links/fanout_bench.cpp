// Fan-out: the device simulator floods changes of 1 000 subscribed variables as fast as its subscriber reads them.
// The rate of OnValue callbacks reaching the controls (one link per variable, each in its own link set, through a
// host) is measured beside the notification channel's own delivery rate to a bare async handler, in the same run:
// once with the program's own log target at its default verbosity (the goal), once with a log target that lets the
// toolkit format every message and drops the value-change traces itself (what each change costs when the log's
// filter is not the toolkit's).
//
// The environment variable ORV_FLOOD_SECONDS sets how long each flood is measured (default 3 s).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links_bench.h"
#include "protocol/orvanta_notify.h"

namespace
{
constexpr int kVariables = 1000;
double g_floodSeconds = 3;
double g_channelRate = 0;
double g_callbackRate[2] = {0, 0};  // program log, every trace formatted

std::string FloodVariables()
{
    std::string text;
    for (int i = 0; i < kVariables; ++i)
        text += "V" + std::to_string(i) + " 0\n";
    return text;
}

class CCountingTarget : public CLinkTarget
{
public:
    void OnValue() { m_values.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<std::uint64_t> m_values{0};
};

// Deliveries per second over the measured flood, after a warm-up second.
double MeasureRate(BenchDevice& device, const std::atomic<std::uint64_t>& counter)
{
    device.server->StartFlood(-1, {});
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::uint64_t first = counter.load();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(g_floodSeconds));
    const std::uint64_t last = counter.load();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    device.server->StopFlood();
    return (last - first) / seconds;
}

void ChannelDelivery(benchmark::State& state)
{
    CProgramLog log;
    BenchDevice device(FloodVariables());
    std::atomic<std::uint64_t> delivered{0};
    COrvantaNotify channel;
    StartCountingChannel(channel, device.Port(), delivered);
    for (int i = 0; i < kVariables; ++i)
        channel.RequestAndWait(wxString::Format("V%d!", i), nullptr);
    for (auto _ : state)
        g_channelRate = MeasureRate(device, delivered);
    channel.GetClient().Disconnect();
    channel.Stop();
    state.counters["lines_per_s"] = g_channelRate;
}

void LinkCallbacks(benchmark::State& state)
{
    const bool trace = state.range(0) != 0;
    std::unique_ptr<CProgramLog> programLog;
    std::unique_ptr<CDiscardLog> discardLog;
    if (trace)
        discardLog = std::make_unique<CDiscardLog>(wxLOG_Max);
    else
        programLog = std::make_unique<CProgramLog>();
    BenchDevice device(FloodVariables());
    CHostList hosts;
    auto element = ParseDocument(HostsDocument({{"A", device.Port()}}));
    hosts.Load(element.get());
    CCountingTarget target;
    std::vector<std::unique_ptr<wxXmlNode>> buttons;
    std::vector<std::unique_ptr<CLinkSet>> sets;
    for (int i = 0; i < kVariables; ++i)
    {
        buttons.push_back(ParseDocument("<button><link host='A' variable='V" + std::to_string(i) + "'/></button>"));
        sets.push_back(std::make_unique<CLinkSet>(&hosts, &target));
        sets.back()->SetCallbacks(static_cast<CLinkTarget::Callback>(&CCountingTarget::OnValue), nullptr);
        sets.back()->Init(buttons.back().get());
    }
    hosts.StartAll();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (target.m_values.load() < static_cast<std::uint64_t>(kVariables) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (auto _ : state)
        g_callbackRate[trace] = MeasureRate(device, target.m_values);
    sets.clear();
    hosts.Clear();
    state.counters["callbacks_per_s"] = g_callbackRate[trace];
}

BENCHMARK(ChannelDelivery)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(LinkCallbacks)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
}  // namespace

int main(int argc, char** argv)
{
    if (const char* seconds = std::getenv("ORV_FLOOD_SECONDS"))
        g_floodSeconds = std::atof(seconds);
    RunBenchmarks(argc, argv);
    std::printf("\nFan-out over %d subscribed variables, %.0f s of flood each:\n", kVariables, g_floodSeconds);
    std::printf("  notification channel to a bare handler (reference): %.0f lines/s\n", g_channelRate);
    const char* const modes[] = {"program log", "every trace formatted"};
    for (int trace = 0; trace < 2; ++trace)
    {
        std::printf("  OnValue callbacks through host and links, %-21s: %.0f callbacks/s", modes[trace],
                    g_callbackRate[trace]);
        if (g_channelRate > 0)
            std::printf(", ratio %.2f%s", g_callbackRate[trace] / g_channelRate, trace ? "" : " (goal >= 0.70)");
        std::printf("\n");
    }
    return 0;
}
