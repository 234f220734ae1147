#pragma once
// Shared pieces of the links benchmarks: the program's log target, a log that drops every message it gets,
// documents from text, and timing samples.
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include "../protocol/bench_device.h"
#include "app/thread_logger.h"

// The program's log target at its default verbosity, writing nowhere: messages above the verbosity are dropped
// before they are formatted, as in the program.
class CProgramLog
{
public:
    CProgramLog()
    {
        CThreadLogger::SetVerbosity(wxLOG_Info);
        m_previous = wxLog::SetActiveTarget(new CThreadLogger(nullptr, nullptr, wxString()));
    }
    ~CProgramLog() { delete wxLog::SetActiveTarget(m_previous); }

private:
    wxLog* m_previous = nullptr;
};

// A log target that lets the toolkit format every message and drops them all itself.
class CDiscardLog : public wxLog
{
public:
    explicit CDiscardLog(wxLogLevel level = wxLOG_Max)
    {
        wxLog::SetVerbose(true);
        wxLog::SetLogLevel(level);
        m_previous = wxLog::SetActiveTarget(this);
    }
    ~CDiscardLog() override { wxLog::SetActiveTarget(m_previous); }

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}

private:
    wxLog* m_previous = nullptr;
};

inline std::unique_ptr<wxXmlNode> ParseDocument(const std::string& text)
{
    wxStringInputStream input(wxString::FromUTF8(text));
    wxXmlDocument document;
    if (!document.Load(input, "UTF-8", 0))
        return nullptr;
    return std::unique_ptr<wxXmlNode>(document.DetachRoot());
}

// A `hosts` element with one host on the loopback address per alias and port.
inline std::string HostsDocument(const std::vector<std::pair<std::string, int>>& hosts)
{
    std::string text = "<hosts>";
    for (const auto& host : hosts)
        text += "<host alias='" + host.first + "' host='127.0.0.1' port='" + std::to_string(host.second) + "'/>";
    return text + "</hosts>";
}

// The duration of one run in microseconds; negative when it failed.
inline double TimeMicros(const std::function<bool()>& action)
{
    const auto start = std::chrono::steady_clock::now();
    if (!action())
        return -1;
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double>& samples)
{
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// The median durations in microseconds of a reference and of the measured action, run in turns (one run of each,
// then again), so that a change of the machine's load during the measurement weighs on both alike. Zeros when a
// run failed.
inline std::pair<double, double> MediansInTurns(int runs, const std::function<bool()>& reference,
                                                const std::function<bool()>& measured)
{
    std::vector<double> referenceSamples, measuredSamples;
    for (int i = 0; i < runs; ++i)
    {
        referenceSamples.push_back(TimeMicros(reference));
        measuredSamples.push_back(TimeMicros(measured));
        if (referenceSamples.back() < 0 || measuredSamples.back() < 0)
            return {0, 0};
    }
    return {Median(referenceSamples), Median(measuredSamples)};
}

// The median duration of an action in microseconds over the given number of runs; 0 when a run failed.
inline double MedianMicros(int runs, const std::function<bool()>& action)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i)
    {
        samples.push_back(TimeMicros(action));
        if (samples.back() < 0)
            return 0;
    }
    return Median(samples);
}

// Runs the registered benchmarks with the toolkit initialised; the caller prints its figures afterwards.
inline void RunBenchmarks(int argc, char** argv)
{
    wxInitializer toolkit;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
