#pragma once
// Shared pieces of the links benchmarks: a log that drops every message it gets, documents from text, and timing
// samples.
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

class CDiscardLog : public wxLog
{
public:
    // level: the toolkit's log level; wxLOG_Max lets every trace be formatted, as the program's log target does.
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

// The median duration of an action in microseconds over the given number of runs; 0 when a run failed.
inline double MedianMicros(int runs, const std::function<bool()>& action)
{
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        if (!action())
            return 0;
        samples.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(samples.begin(), samples.begin() + runs / 2, samples.end());
    return samples[static_cast<std::size_t>(runs / 2)];
}

// Runs the registered benchmarks with the toolkit initialised; the caller prints its figures afterwards.
inline void RunBenchmarks(int argc, char** argv)
{
    wxInitializer toolkit;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
