#pragma once
// CThreadLogger: the program's only log target. Every module logs through the toolkit's functions; this target
// filters by the program's verbosity, writes one line per message (local time, level prefix, CR LF, UTF-8) to a
// C stream and to the log file, marks the change of day, and keeps the log file small across runs by rotating it
// into a ".old" companion when it is opened.
//
// One instance exists while the program runs; the application creates it, installs it as the active log target
// (which hands ownership to the toolkit) and deletes it at exit. Any thread may log through it: one recursive
// lock serialises the verbosity test, the day-change test and every write, so lines never interleave.
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/string.h>

class CThreadLogger : public wxLog
{
public:
    // Source of the current time; the day-change line is decided by it (tests replace it).
    using Clock = std::function<time_t()>;

    // Largest size limit; limits below 0 or above it are clamped to it.
    static constexpr long kMaxSizeLimit = 104857600;

    // Turns the toolkit's verbose flag on, opens the file (no size limit), becomes the instance and sets the
    // toolkit's level filter to the verbosity, so that a message this log would drop is not even formatted. The
    // destructor of the instance gives the toolkit's filter back as it found it. Main thread, before installation.
    CThreadLogger(FILE* errorStream, FILE* outputStream, const wxString& fileName, Clock clock = Clock());
    ~CThreadLogger() override;
    CThreadLogger(const CThreadLogger&) = delete;
    CThreadLogger& operator=(const CThreadLogger&) = delete;

    // Sets the streams and opens the log file with a size limit in bytes (0: never rotate; below 0 or above
    // kMaxSizeLimit: kMaxSizeLimit). An empty name closes the file and logs to the streams only. True when the
    // file is open afterwards, or the name is empty. Any thread; takes the log lock.
    bool OpenLogFile(FILE* errorStream, FILE* outputStream, const wxString& fileName, long sizeLimit);

    // Highest level written; 5 (info) at start-up. Works before any instance; while there is one, it also sets the
    // toolkit's level filter. Takes the log lock. At start-up: the toolkit's filter is a plain process-wide value
    // that every logging thread reads.
    static void SetVerbosity(unsigned level);
    static unsigned GetVerbosity();
    // The live instance, or nullptr. Any thread; takes the log lock.
    static CThreadLogger* GetInstance();

    bool IsFileOpen() const;
    long GetSizeLimit() const { return m_sizeLimit; }

    void Flush() override;

protected:
    // Any thread; takes the log lock for the whole message.
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;
    // A bare message (no level): one line to the error stream and the file.
    void DoLogText(const wxString& msg) override;

private:
    void WriteDayChangeIfNeeded();
    // Writes the text and CR LF to the stream and the file, unless the calling thread is already writing.
    void WriteLine(FILE* stream, const wxString& text);
    void WriteToStream(FILE* stream, const wxScopedCharBuffer& line);
    void WriteToFile(const wxScopedCharBuffer& line);
    bool IsWritingThread() const;
    bool OpenExistingFile();
    bool RotateLogFile();
    bool CopyTailToOld();
    bool CopyRest(wxFFile& in, std::vector<char>& block);
    bool CreateFileAnew();

    FILE* m_errorStream = nullptr;
    FILE* m_outputStream = nullptr;
    wxFFile m_file;
    wxString m_fileName;
    long m_sizeLimit = kMaxSizeLimit;
    Clock m_clock;
    std::vector<std::thread::id> m_writingThreads;  // guarded by the log lock
};
