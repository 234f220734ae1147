#pragma once
// Console output of a benchmark run plus, at the end, each figure beside its reference and their ratio.
//
// Figures are CPU time per iteration (steadier than wall time on a shared machine) unless the benchmarks run on
// more than one thread: then the ratio is of wall time, and the ratio of the process's CPU time (benchmarks
// registered with MeasureProcessCPUTime) is shown beside it.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CRatioReporter : public benchmark::ConsoleReporter
{
public:
    struct Pair
    {
        std::string figure;     // benchmark name of ours
        std::string reference;  // benchmark name it is compared with
        std::string goal;       // the goal in words
    };
    enum Clock
    {
        kCpuTime,
        kWallTime,
    };
    explicit CRatioReporter(std::vector<Pair> pairs, Clock clock = kCpuTime)
        : ConsoleReporter(OO_Tabular), m_pairs(std::move(pairs)), m_clock(clock)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            // Seconds per iteration under the name without its "/min_time:..." or "/real_time" suffix.
            const std::string name = run.benchmark_name();
            const std::string key = name.substr(0, name.find('/', name.find('/') + 1));
            const double unit = run.time_unit == benchmark::kMillisecond   ? 1e3
                                : run.time_unit == benchmark::kMicrosecond ? 1e6
                                : run.time_unit == benchmark::kNanosecond  ? 1e9
                                                                           : 1.0;
            m_cpu[key] = run.GetAdjustedCPUTime() / unit;
            m_wall[key] = run.GetAdjustedRealTime() / unit;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& pair : m_pairs)
        {
            std::map<std::string, double>& seconds = m_clock == kWallTime ? m_wall : m_cpu;
            const double ours = seconds[pair.figure];
            const double theirs = seconds[pair.reference];
            if (ours <= 0 || theirs <= 0)
                continue;
            std::printf("%-40s %10.3f ms   %-40s %10.3f ms   ratio %.2f (%s%s)\n", pair.figure.c_str(), ours * 1e3,
                        pair.reference.c_str(), theirs * 1e3, ours / theirs, m_clock == kWallTime ? "wall time, " : "",
                        pair.goal.c_str());
            if (m_clock == kWallTime && m_cpu[pair.figure] > 0 && m_cpu[pair.reference] > 0)
                std::printf("%-40s %10.3f ms   %-40s %10.3f ms   ratio %.2f (CPU time of the process)\n",
                            pair.figure.c_str(), m_cpu[pair.figure] * 1e3, pair.reference.c_str(),
                            m_cpu[pair.reference] * 1e3, m_cpu[pair.figure] / m_cpu[pair.reference]);
        }
    }

private:
    std::vector<Pair> m_pairs;
    Clock m_clock;
    std::map<std::string, double> m_cpu;
    std::map<std::string, double> m_wall;
};
