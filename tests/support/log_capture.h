#pragma once
// Records every log message while it exists, so that tests can check the exact texts the program logs.
//
// It installs itself as the active log target of the main thread and restores the previous one when destroyed.
// Messages from other threads reach it when those threads use it as their thread log target: the program's
// threads take the active target when they start; a test's own std::thread calls AttachThisThread() first.
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include <wx/log.h>

namespace orvtest
{
struct CapturedLog
{
    wxLogLevel level;
    std::string text;  // UTF-8
};

class LogCapture : public wxLog
{
public:
    LogCapture();
    ~LogCapture() override;

    // Makes the calling (non-main) thread log here.
    void AttachThisThread();

    std::vector<CapturedLog> Records() const;
    std::vector<std::string> Texts() const;
    // Number of messages whose text contains the fragment (any level, or one level when level >= 0).
    int Count(const std::string& fragment, int level = -1) const;
    bool Contains(const std::string& fragment, int level = -1) const { return Count(fragment, level) > 0; }
    // Waits until a message containing the fragment has been logged, or the time is up.
    bool WaitFor(const std::string& fragment, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    void Clear();
    // All messages, one per line, for failure output.
    std::string Dump() const;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    mutable std::mutex m_lock;
    std::vector<CapturedLog> m_records;
    wxLog* m_previous = nullptr;
    bool m_previousVerbose = false;
};
}  // namespace orvtest
