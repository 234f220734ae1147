#include "support/log_capture.h"

#include "support/wait_until.h"

namespace orvtest
{
LogCapture::LogCapture()
{
    m_previousVerbose = wxLog::GetVerbose();
    wxLog::SetVerbose(true);
    wxLog::SetLogLevel(wxLOG_Max);
    m_previous = wxLog::SetActiveTarget(this);
}

LogCapture::~LogCapture()
{
    wxLog::SetActiveTarget(m_previous);
    wxLog::SetVerbose(m_previousVerbose);
}

void LogCapture::AttachThisThread()
{
    wxLog::SetThreadActiveTarget(this);
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back({level, std::string(msg.utf8_str())});
}

std::vector<CapturedLog> LogCapture::Records() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
}

std::vector<std::string> LogCapture::Texts() const
{
    std::vector<std::string> texts;
    for (const CapturedLog& record : Records())
        texts.push_back(record.text);
    return texts;
}

int LogCapture::Count(const std::string& fragment, int level) const
{
    int count = 0;
    for (const CapturedLog& record : Records())
    {
        if ((level < 0 || record.level == static_cast<wxLogLevel>(level)) &&
            record.text.find(fragment) != std::string::npos)
            ++count;
    }
    return count;
}

bool LogCapture::WaitFor(const std::string& fragment, std::chrono::milliseconds timeout) const
{
    return WaitUntil([&] { return Contains(fragment); }, timeout);
}

void LogCapture::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.clear();
}

std::string LogCapture::Dump() const
{
    std::string all;
    for (const CapturedLog& record : Records())
        all += std::to_string(record.level) + ": " + record.text + "\n";
    return all;
}
}  // namespace orvtest
