#pragma once
// Console output of a benchmark run plus, at the end, each figure beside its reference and their ratio.
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
    explicit CRatioReporter(std::vector<Pair> pairs) : ConsoleReporter(OO_Tabular), m_pairs(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            // CPU time per iteration in seconds (steadier than wall time on a shared machine), under the name without
            // its "/min_time:..." suffix.
            const std::string name = run.benchmark_name();
            const double unit = run.time_unit == benchmark::kMillisecond   ? 1e3
                                : run.time_unit == benchmark::kMicrosecond ? 1e6
                                : run.time_unit == benchmark::kNanosecond  ? 1e9
                                                                           : 1.0;
            m_seconds[name.substr(0, name.find("/min_time"))] = run.GetAdjustedCPUTime() / unit;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& pair : m_pairs)
        {
            const double ours = m_seconds[pair.figure];
            const double theirs = m_seconds[pair.reference];
            if (ours <= 0 || theirs <= 0)
                continue;
            std::printf("%-40s %10.3f ms   %-40s %10.3f ms   ratio %.2f (%s)\n", pair.figure.c_str(), ours * 1e3,
                        pair.reference.c_str(), theirs * 1e3, ours / theirs, pair.goal.c_str());
        }
    }

private:
    std::vector<Pair> m_pairs;
    std::map<std::string, double> m_seconds;
};
