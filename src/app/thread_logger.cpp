#include "app/thread_logger.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/filefn.h>
#include <wx/msgout.h>

namespace
{
// Process-wide state of the log, all behind one recursive lock: writing a line re-enters it from DoLogRecord,
// and a failing file write logs again on the same thread.
struct LogState
{
    std::recursive_mutex lock;
    unsigned verbosity = wxLOG_Info;
    int year = -1;
    int dayOfYear = -1;
    CThreadLogger* instance = nullptr;
    wxLogLevel toolkitLevelBefore = wxLOG_Max;  // the toolkit's level filter before the instance took it over
};

LogState& State()
{
    static LogState state;
    return state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

std::tm LocalTime(time_t when)
{
    std::tm local = {};
    localtime_r(&when, &local);
    return local;
}

wxString TimePrefix(time_t when)
{
    std::tm local = LocalTime(when);
    char text[64];
    if (std::strftime(text, sizeof text, "%X", &local) == 0)
        text[0] = '\0';
    return wxString(text) + ": ";
}

constexpr size_t kCopyBlock = 65536;
}  // namespace

CThreadLogger::CThreadLogger(FILE* errorStream, FILE* outputStream, const wxString& fileName, Clock clock)
    : m_clock(clock ? std::move(clock) : Clock([] { return std::time(nullptr); }))
{
    wxLog::SetVerbose(true);
    OpenLogFile(errorStream, outputStream, fileName, -1);
    Guard guard(State().lock);
    if (!State().instance)
        State().toolkitLevelBefore = wxLog::GetLogLevel();
    State().instance = this;
    wxLog::SetLogLevel(State().verbosity);
    std::tm today = LocalTime(m_clock());
    State().year = today.tm_year;
    State().dayOfYear = today.tm_yday;
}

CThreadLogger::~CThreadLogger()
{
    Guard guard(State().lock);
    if (State().instance == this)
    {
        State().instance = nullptr;
        wxLog::SetLogLevel(State().toolkitLevelBefore);
    }
    m_file.Close();
}

// The toolkit's own level filter follows the verbosity while the log is installed: a message above it is then
// dropped before it is formatted, instead of being formatted only to be dropped here. Levels the log never writes
// at any verbosity (debug, trace, info without the verbose flag) are still dropped in DoLogRecord.
void CThreadLogger::SetVerbosity(unsigned level)
{
    Guard guard(State().lock);
    State().verbosity = level;
    if (State().instance)
        wxLog::SetLogLevel(level);
}

unsigned CThreadLogger::GetVerbosity()
{
    Guard guard(State().lock);
    return State().verbosity;
}

CThreadLogger* CThreadLogger::GetInstance()
{
    Guard guard(State().lock);
    return State().instance;
}

bool CThreadLogger::IsFileOpen() const
{
    Guard guard(State().lock);
    return m_file.IsOpened();
}

void CThreadLogger::Flush()
{
    Guard guard(State().lock);
    if (m_errorStream)
        std::fflush(m_errorStream);
    if (m_outputStream)
        std::fflush(m_outputStream);
    if (m_file.IsOpened() && !IsWritingThread())
        m_file.Flush();
}

bool CThreadLogger::OpenLogFile(FILE* errorStream, FILE* outputStream, const wxString& fileName, long sizeLimit)
{
    Guard guard(State().lock);
    // Opening is quiet: a log file that cannot be used leaves logging to the streams, and the caller decides
    // whether that is worth a message.
    wxLogNull quiet;
    m_errorStream = errorStream;
    m_outputStream = outputStream;
    m_sizeLimit = (sizeLimit < 0 || sizeLimit > kMaxSizeLimit) ? kMaxSizeLimit : sizeLimit;
    m_fileName = fileName;
    if (m_file.IsOpened())
        m_file.Close();
    if (fileName.empty())
        return true;
    if (wxFileExists(fileName))
        return OpenExistingFile();
    return CreateFileAnew();
}

bool CThreadLogger::OpenExistingFile()
{
    if (!m_file.Open(m_fileName, "ab"))
        return false;
    const wxFileOffset length = m_file.Length();
    if (m_sizeLimit > 0 && length > m_sizeLimit)
        return RotateLogFile();
    return m_file.IsOpened();
}

bool CThreadLogger::CreateFileAnew()
{
    return m_file.Open(m_fileName, "wb");
}

// The log is emptied only once its tail is safely in the ".old" file; when that copy cannot be made, the log
// keeps its content and grows on, so a full disk or a read-only ".old" never costs the previous run's messages.
bool CThreadLogger::RotateLogFile()
{
    m_file.Close();
    if (CopyTailToOld())
        return CreateFileAnew();
    if (!m_file.Open(m_fileName, "ab"))
        return false;
    const wxString warning =
        wxString::Format("Can not write '%s.old'; '%s' is not rotated and keeps growing", m_fileName, m_fileName);
    WriteLine(m_errorStream, TimePrefix(m_clock()) + "Warning: " + warning);
    return true;
}

// Copies the bytes after the first line feed of the log's last size-limit bytes into the ".old" file. True when
// that copy is complete, or when there is nothing to copy (no line feed, or nothing after it).
bool CThreadLogger::CopyTailToOld()
{
    wxFFile in;
    if (!in.Open(m_fileName, "rb"))
        return false;
    const wxFileOffset length = in.Length();
    const wxFileOffset tailStart = std::max<wxFileOffset>(0, length - m_sizeLimit);
    if (length < 0 || !in.Seek(tailStart))
        return false;
    std::vector<char> block(kCopyBlock);
    wxFileOffset blockStart = tailStart;
    wxFileOffset copyStart = -1;
    while (copyStart < 0)
    {
        const size_t count = in.Read(block.data(), block.size());
        if (in.Error())
            return false;
        if (count == 0)
            return true;  // no line feed in the tail: no ".old" file
        const void* feed = std::memchr(block.data(), '\n', count);
        if (feed)
            copyStart = blockStart + (static_cast<const char*>(feed) - block.data()) + 1;
        blockStart += count;
    }
    if (copyStart >= length)
        return true;
    return in.Seek(copyStart) && CopyRest(in, block);
}

bool CThreadLogger::CopyRest(wxFFile& in, std::vector<char>& block)
{
    wxFFile old;
    if (!old.Open(m_fileName + ".old", "wb"))
        return false;
    size_t count;
    while ((count = in.Read(block.data(), block.size())) > 0)
    {
        if (old.Write(block.data(), count) != count)
            return false;
    }
    return !in.Error() && old.Close();
}

void CThreadLogger::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info)
{
    Guard guard(State().lock);
    if (level > State().verbosity)
        return;
    WriteDayChangeIfNeeded();
    const time_t when = info.timestampMS > 0 ? static_cast<time_t>(info.timestampMS / 1000) : m_clock();
    const wxString time = TimePrefix(when);
    switch (level)
    {
        case wxLOG_FatalError:
            WriteLine(m_errorStream, time + "Fatal error: " + msg);
            WriteLine(m_errorStream, time + "Program aborted.");
            Flush();
            std::abort();
        case wxLOG_Error:
            WriteLine(m_errorStream, time + "Error: " + msg);
            break;
        case wxLOG_Warning:
            WriteLine(m_errorStream, time + "Warning: " + msg);
            break;
        case wxLOG_Info:
            if (wxLog::GetVerbose())
                WriteLine(m_outputStream, time + msg);
            break;
        case wxLOG_Debug:
        case wxLOG_Trace:
            break;
        default:
            WriteLine(m_outputStream, time + msg);
            break;
    }
}

void CThreadLogger::DoLogText(const wxString& msg)
{
    Guard guard(State().lock);
    WriteLine(m_errorStream, TimePrefix(m_clock()) + msg);
}

void CThreadLogger::WriteDayChangeIfNeeded()
{
    LogState& state = State();
    std::tm now = LocalTime(m_clock());
    if (now.tm_year == state.year && now.tm_yday == state.dayOfYear)
        return;
    state.year = now.tm_year;
    state.dayOfYear = now.tm_yday;
    WriteLine(m_outputStream, wxString::Format("******** DAY CHANGED TO %04i/%02i/%02i", now.tm_year + 1900,
                                               now.tm_mon + 1, now.tm_mday));
}

void CThreadLogger::WriteLine(FILE* stream, const wxString& text)
{
    Guard guard(State().lock);
    // A thread that logs from inside its own file write (the file layer reporting the failed write) would
    // recurse for ever; its nested message is dropped.
    if (IsWritingThread())
        return;
    const wxString whole = text + "\r\n";
    const wxScopedCharBuffer line = whole.utf8_str();
    WriteToStream(stream, line);
    WriteToFile(line);
}

void CThreadLogger::WriteToStream(FILE* stream, const wxScopedCharBuffer& line)
{
    if (!stream)
        return;
    std::fwrite(line.data(), 1, line.length(), stream);
    std::fflush(stream);
    wxAppConsole* app = wxAppConsole::GetInstance();  // a console or a GUI application object
    wxAppTraits* traits = app ? app->GetTraits() : nullptr;
    if (stream == stderr && traits && !traits->HasStderr())
        wxMessageOutputDebug().Printf("%s", wxString::FromUTF8(line.data(), line.length()));
}

void CThreadLogger::WriteToFile(const wxScopedCharBuffer& line)
{
    if (!m_file.IsOpened())
        return;
    m_writingThreads.push_back(std::this_thread::get_id());
    m_file.Write(line.data(), line.length());
    m_file.Flush();
    m_writingThreads.pop_back();
}

bool CThreadLogger::IsWritingThread() const
{
    return std::find(m_writingThreads.begin(), m_writingThreads.end(), std::this_thread::get_id()) !=
           m_writingThreads.end();
}
