#include "app/thread_logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/log_levels.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace
{
constexpr time_t kMarch1Noon = 1709294400;      // 2024-03-01 12:00:00 UTC
constexpr time_t kMarch1At140509 = 1709301909;  // 2024-03-01 14:05:09 UTC
constexpr time_t kMarch2Morning = 1709366400;   // 2024-03-02 08:00:00 UTC

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A line of the concurrency test as one writer wrote it: "hh:mm:ss: thread T line I " and 40 + I % 50 times
// 'x', then CR; or the day-change line.
bool IsWholeLine(const std::string& line)
{
    if (line == "******** DAY CHANGED TO 2024/03/02\r")
        return true;
    int thread = -1;
    int index = -1;
    int used = 0;
    if (line.size() < 10 || line[2] != ':' || line[5] != ':' || line.compare(8, 2, ": ") != 0 ||
        std::sscanf(line.c_str() + 10, "thread %d line %d %n", &thread, &index, &used) != 2 || used == 0)
        return false;
    const std::string rest = line.substr(10 + used);
    return rest == std::string(40 + index % 50, 'x') + "\r";
}

// The lines without their "hh:mm:ss: " prefix (the toolkit stamps its records with the real time).
std::string WithoutTimes(const std::string& text)
{
    std::string rest;
    for (const std::string& line : Lines(text))
        rest += (line.size() >= 10 && line[2] == ':' && line[5] == ':' ? line.substr(10) : line) + "\n";
    return rest;
}

int CountOf(const std::string& text, const std::string& fragment)
{
    int count = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
        ++count;
    return count;
}

// A logger writing its two streams and its file into a temporary directory, with a clock the test sets.
class ThreadLoggerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        CThreadLogger::SetVerbosity(5);
        m_error = std::fopen(m_dir.Sub("error.txt").c_str(), "wb");
        m_output = std::fopen(m_dir.Sub("output.txt").c_str(), "wb");
        ASSERT_TRUE(m_error && m_output);
    }

    void TearDown() override
    {
        std::fclose(m_error);
        std::fclose(m_output);
        CThreadLogger::SetVerbosity(5);
    }

    std::unique_ptr<CThreadLogger> MakeLogger(const std::string& file = "")
    {
        return std::make_unique<CThreadLogger>(m_error, m_output, file, [this] { return m_now.load(); });
    }

    // Logs as the toolkit would, with a fixed record time.
    static void Log(CThreadLogger& logger, wxLogLevel level, const wxString& text, time_t when = kMarch1At140509)
    {
        wxLogRecordInfo info(__FILE__, __LINE__, "", nullptr);
        info.timestampMS = static_cast<wxLongLong_t>(when) * 1000;
        logger.LogRecord(level, text, info);
    }

    std::string Error() const { return m_dir.Read("error.txt"); }
    std::string Output() const { return m_dir.Read("output.txt"); }
    std::string LogPath() const { return m_dir.Sub("panel.log"); }
    std::string LogText() const { return m_dir.Read("panel.log"); }

    orvtest::TempDir m_dir;
    FILE* m_error = nullptr;
    FILE* m_output = nullptr;
    std::atomic<time_t> m_now{kMarch1Noon};
};
}  // namespace

TEST_F(ThreadLoggerTest, EachLevelGoesToItsStreamWithItsPrefix)
{
    const struct
    {
        wxLogLevel level;
        std::string error;   // expected on the error stream
        std::string output;  // expected on the output stream
    } cases[] = {
        {wxLOG_Error, "14:05:09: Error: text\r\n", ""},
        {wxLOG_Warning, "14:05:09: Warning: text\r\n", ""},
        {wxLOG_Message, "", "14:05:09: text\r\n"},
        {wxLOG_Status, "", "14:05:09: text\r\n"},
        {wxLOG_Info, "", "14:05:09: text\r\n"},
        {wxLOG_Debug, "", ""},
        {wxLOG_Trace, "", ""},
        {wxLOG_Progress, "", "14:05:09: text\r\n"},
        {LOG_VERBOSE2, "", "14:05:09: text\r\n"},
        {LOG_VERBOSE5, "", "14:05:09: text\r\n"},
        {wxLOG_User + 7, "", ""},  // above the verbosity
    };
    CThreadLogger::SetVerbosity(LOG_VERBOSE5);
    for (const auto& row : cases)
    {
        SCOPED_TRACE("level " + std::to_string(row.level));
        orvtest::TempDir dir;
        const std::string path = dir.Sub("panel.log");
        ASSERT_TRUE(std::freopen(m_dir.Sub("error.txt").c_str(), "wb", m_error));
        ASSERT_TRUE(std::freopen(m_dir.Sub("output.txt").c_str(), "wb", m_output));
        auto logger = MakeLogger(path);
        Log(*logger, row.level, "text");
        logger.reset();
        EXPECT_EQ(Error(), row.error);
        EXPECT_EQ(Output(), row.output);
        EXPECT_EQ(dir.Read("panel.log"), row.error + row.output);
    }
}

TEST_F(ThreadLoggerTest, VerbosityDecidesWhichLevelsAreWritten)
{
    const struct
    {
        unsigned verbosity;
        std::vector<wxLogLevel> written;
    } cases[] = {
        {wxLOG_Info, {wxLOG_Error, wxLOG_Warning, wxLOG_Message, wxLOG_Info}},
        {LOG_VERBOSE4,
         {wxLOG_Error, wxLOG_Warning, wxLOG_Message, wxLOG_Info, LOG_VERBOSE2, LOG_VERBOSE3, LOG_VERBOSE4}},
        {wxLOG_Error, {wxLOG_Error}},
    };
    const wxLogLevel levels[] = {wxLOG_Error,  wxLOG_Warning, wxLOG_Message, wxLOG_Info,
                                 LOG_VERBOSE2, LOG_VERBOSE3,  LOG_VERBOSE4,  LOG_VERBOSE5};
    for (const auto& row : cases)
    {
        SCOPED_TRACE("verbosity " + std::to_string(row.verbosity));
        orvtest::TempDir dir;
        CThreadLogger::SetVerbosity(row.verbosity);
        auto logger = MakeLogger(dir.Sub("panel.log"));
        for (wxLogLevel level : levels)
            Log(*logger, level, "level " + std::to_string(level));
        logger.reset();
        std::string expected;
        for (wxLogLevel level : row.written)
            expected += std::string("14:05:09: ") + (level == wxLOG_Error ? "Error: " : "") +
                        (level == wxLOG_Warning ? "Warning: " : "") + "level " + std::to_string(level) + "\r\n";
        EXPECT_EQ(dir.Read("panel.log"), expected);
    }
}

// The same log as the program's, installed as the toolkit's active target; it counts the messages that reach it.
// The toolkit formats a message only on its way to the target, so a message that never arrives was never
// formatted.
class CCountingLogger : public CThreadLogger
{
public:
    using CThreadLogger::CThreadLogger;
    int Arrived() const { return m_arrived.load(); }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override
    {
        ++m_arrived;
        CThreadLogger::DoLogRecord(level, msg, info);
    }

private:
    std::atomic<int> m_arrived{0};
};

// Every level logged through the toolkit, at several verbosities: what is written is decided as before (the
// verbosity, debug and trace never, info only with the verbose flag), and what is not written is not formatted.
TEST_F(ThreadLoggerTest, TheToolkitFormatsOnlyWhatTheLogWrites)
{
    const wxLogLevel levels[] = {wxLOG_Error, wxLOG_Warning,  wxLOG_Message, wxLOG_Status, wxLOG_Info,   wxLOG_Debug,
                                 wxLOG_Trace, wxLOG_Progress, LOG_VERBOSE2,  LOG_VERBOSE3, LOG_VERBOSE4, LOG_VERBOSE5};
    for (unsigned verbosity : {0u, 1u, 5u, 102u, 103u})
    {
        for (bool verboseFlag : {true, false})
        {
            SCOPED_TRACE("verbosity " + std::to_string(verbosity) + (verboseFlag ? "" : ", verbose flag off"));
            orvtest::TempDir dir;
            CThreadLogger::SetVerbosity(verbosity);
            auto* logger =
                new CCountingLogger(m_error, m_output, dir.Sub("panel.log"), [this] { return m_now.load(); });
            wxLog* previous = wxLog::SetActiveTarget(logger);
            wxLog::SetVerbose(verboseFlag);
            std::string expected;
            int arriving = 0;
            for (wxLogLevel level : levels)
            {
                wxLogGeneric(level, "level %d", static_cast<int>(level));
                arriving += level <= verbosity ? 1 : 0;
                const bool written = level <= verbosity && level != wxLOG_Debug && level != wxLOG_Trace &&
                                     (level != wxLOG_Info || verboseFlag);
                if (written)
                    expected += std::string(level == wxLOG_Error     ? "Error: "
                                            : level == wxLOG_Warning ? "Warning: "
                                                                     : "") +
                                "level " + std::to_string(level) + "\r\n";
            }
            EXPECT_EQ(logger->Arrived(), arriving);
            EXPECT_EQ(wxLog::IsLevelEnabled(LOG_VERBOSE5, wxString()), verbosity >= LOG_VERBOSE5);
            wxLog::SetVerbose(true);
            delete wxLog::SetActiveTarget(previous);
            EXPECT_EQ(WithoutTimes(dir.Read("panel.log")), expected);
        }
    }
}

// The verbosity can change while the log is installed (the command line sets it after the first messages); the
// toolkit's filter follows, and goes back to what it was when the log is gone.
TEST_F(ThreadLoggerTest, TheToolkitFilterFollowsTheVerbosityWhileTheLogIsInstalled)
{
    wxLog::SetLogLevel(wxLOG_Max);
    {
        auto logger = MakeLogger(LogPath());
        EXPECT_EQ(wxLog::GetLogLevel(), static_cast<wxLogLevel>(wxLOG_Info));
        CThreadLogger::SetVerbosity(LOG_VERBOSE4);
        EXPECT_EQ(wxLog::GetLogLevel(), static_cast<wxLogLevel>(LOG_VERBOSE4));
    }
    EXPECT_EQ(wxLog::GetLogLevel(), static_cast<wxLogLevel>(wxLOG_Max));
    CThreadLogger::SetVerbosity(wxLOG_Error);
    EXPECT_EQ(wxLog::GetLogLevel(), static_cast<wxLogLevel>(wxLOG_Max)) << "no log installed: the toolkit's own";
}

TEST_F(ThreadLoggerTest, InfoNeedsTheToolkitVerboseFlagAndTextIsUtf8)
{
    auto logger = MakeLogger(LogPath());
    Log(*logger, wxLOG_Info,
        wxString::FromUTF8("Gr\xC3\xB6\xC3\x9F"
                           "e \xE2\x9C\x93"));
    wxLog::SetVerbose(false);
    Log(*logger, wxLOG_Info, "hidden");
    wxLog::SetVerbose(true);
    logger.reset();
    EXPECT_EQ(LogText(),
              "14:05:09: Gr\xC3\xB6\xC3\x9F"
              "e \xE2\x9C\x93\r\n");
}

TEST_F(ThreadLoggerTest, OpenWithEmptyNameClosesTheFileAndKeepsTheStreams)
{
    auto logger = MakeLogger(LogPath());
    Log(*logger, wxLOG_Error, "to file");
    EXPECT_TRUE(logger->OpenLogFile(m_error, m_output, "", 2048));
    EXPECT_FALSE(logger->IsFileOpen());
    Log(*logger, wxLOG_Error, "stream only");
    logger.reset();
    EXPECT_EQ(LogText(), "14:05:09: Error: to file\r\n");
    EXPECT_EQ(Error(), "14:05:09: Error: to file\r\n14:05:09: Error: stream only\r\n");
}

TEST_F(ThreadLoggerTest, AFileThatCannotBeOpenedLeavesTheStreamsWorking)
{
    auto logger = MakeLogger();
    EXPECT_FALSE(logger->OpenLogFile(m_error, m_output, m_dir.Sub("missing/dir/panel.log"), 2048));
    EXPECT_FALSE(logger->IsFileOpen());
    Log(*logger, wxLOG_Warning, "still here");
    EXPECT_EQ(Error(), "14:05:09: Warning: still here\r\n");
}

TEST_F(ThreadLoggerTest, TheFirstLineOfANewDayIsPrecededByTheDayChange)
{
    auto logger = MakeLogger(LogPath());
    Log(*logger, wxLOG_Message, "before");
    m_now = kMarch2Morning;
    Log(*logger, wxLOG_Message, "after", kMarch2Morning);
    Log(*logger, wxLOG_Message, "later", kMarch2Morning);
    logger.reset();
    EXPECT_EQ(LogText(),
              "14:05:09: before\r\n"
              "******** DAY CHANGED TO 2024/03/02\r\n"
              "08:00:00: after\r\n"
              "08:00:00: later\r\n");
    EXPECT_EQ(Output(), LogText());
}

// Many threads log through the toolkit at once while the day changes under them: the day-change line appears
// exactly once and every line stays whole.
TEST_F(ThreadLoggerTest, ConcurrentWritersKeepLinesWholeAndMarkTheDayOnce)
{
    CThreadLogger* logger = MakeLogger(LogPath()).release();
    wxLog* previous = wxLog::SetActiveTarget(logger);
    constexpr int kThreads = 8;
    constexpr int kLines = 300;
    std::atomic<int> written{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back([&, t] {
            wxLog::SetThreadActiveTarget(logger);
            for (int i = 0; i < kLines; ++i)
            {
                wxLogMessage("thread %d line %d %s", t, i, std::string(40 + (i % 50), 'x'));
                ++written;
            }
            wxLog::SetThreadActiveTarget(nullptr);
        });
    }
    ASSERT_TRUE(orvtest::WaitUntil([&] { return written >= kThreads * kLines / 3; }));
    m_now = kMarch2Morning;
    for (std::thread& thread : threads)
        thread.join();
    delete wxLog::SetActiveTarget(previous);

    const std::string text = LogText();
    EXPECT_EQ(CountOf(text, "DAY CHANGED"), 1);
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines + 1));
    for (const std::string& line : lines)
        ASSERT_TRUE(IsWholeLine(line)) << line;
}

// A file write that fails makes the file layer log the failure from inside the write; that nested message is
// dropped instead of recursing.
TEST_F(ThreadLoggerTest, AFailingFileWriteDoesNotRecurse)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs /dev/full";
    CThreadLogger* logger = MakeLogger("/dev/full").release();
    ASSERT_TRUE(logger->IsFileOpen());
    wxLog* previous = wxLog::SetActiveTarget(logger);
    wxLogError("disk is full");
    wxLogError("second");
    delete wxLog::SetActiveTarget(previous);
    const std::vector<std::string> lines = Lines(Error());
    ASSERT_EQ(lines.size(), 2u) << Error();
    EXPECT_NE(lines[0].find("Error: disk is full"), std::string::npos);
    EXPECT_NE(lines[1].find("Error: second"), std::string::npos);
}

TEST_F(ThreadLoggerTest, FatalErrorWritesTwoLinesAndAborts)
{
    // Forked in place, so the child writes into this fixture's directory.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_DEATH(
        {
            auto logger = MakeLogger(LogPath());
            Log(*logger, wxLOG_FatalError, "cannot go on");
        },
        "");
    EXPECT_EQ(LogText(), "14:05:09: Fatal error: cannot go on\r\n14:05:09: Program aborted.\r\n");
}

// Rotation when the log is opened.
namespace
{
std::string NumberedLines(size_t bytes)
{
    std::string text;
    for (int i = 0; text.size() < bytes; ++i)
        text += "line " + std::to_string(i) + " of the previous run\n";
    text.resize(bytes);
    return text;
}
}  // namespace

TEST_F(ThreadLoggerTest, RotationKeepsTheWholeLinesOfTheTailInOld)
{
    const std::string previous = NumberedLines(10000);
    m_dir.Write("panel.log", previous);
    auto logger = MakeLogger();
    EXPECT_TRUE(logger->OpenLogFile(m_error, m_output, LogPath(), 2048));
    const std::string tail = previous.substr(previous.size() - 2048);
    EXPECT_EQ(m_dir.Read("panel.log.old"), tail.substr(tail.find('\n') + 1));
    EXPECT_EQ(LogText(), "");
    Log(*logger, wxLOG_Message, "new run");
    EXPECT_EQ(LogText(), "14:05:09: new run\r\n");
}

TEST_F(ThreadLoggerTest, ATailWithoutLineFeedWritesNoOldFile)
{
    m_dir.Write("panel.log", "first line\n" + std::string(5000, 'z'));
    auto logger = MakeLogger();
    EXPECT_TRUE(logger->OpenLogFile(m_error, m_output, LogPath(), 2048));
    EXPECT_FALSE(m_dir.Exists("panel.log.old"));
    EXPECT_EQ(LogText(), "");
}

TEST_F(ThreadLoggerTest, LimitsOutsideTheRangeAreClampedAndZeroNeverRotates)
{
    const struct
    {
        long limit;
        long effective;
    } cases[] = {
        {0, 0}, {-1, CThreadLogger::kMaxSizeLimit}, {CThreadLogger::kMaxSizeLimit + 1, CThreadLogger::kMaxSizeLimit}};
    const std::string previous = NumberedLines(10000);
    for (const auto& row : cases)
    {
        SCOPED_TRACE("limit " + std::to_string(row.limit));
        m_dir.Write("panel.log", previous);
        auto logger = MakeLogger();
        EXPECT_TRUE(logger->OpenLogFile(m_error, m_output, LogPath(), row.limit));
        EXPECT_EQ(logger->GetSizeLimit(), row.effective);
        Log(*logger, wxLOG_Message, "appended");
        EXPECT_EQ(LogText(), previous + "14:05:09: appended\r\n");
        EXPECT_FALSE(m_dir.Exists("panel.log.old"));
    }
}

// When the ".old" copy cannot be written the previous log must not be lost: it stays and grows, and the log
// says once why it was not rotated.
TEST_F(ThreadLoggerTest, RotationThatCannotWriteOldKeepsTheLog)
{
    const std::string previous = NumberedLines(10000);
    m_dir.Write("panel.log", previous);
    std::filesystem::create_directory(m_dir.Sub("panel.log.old"));
    auto logger = MakeLogger();
    EXPECT_TRUE(logger->OpenLogFile(m_error, m_output, LogPath(), 2048));
    Log(*logger, wxLOG_Message, "next");
    const std::string warning = "12:00:00: Warning: Can not write '" + LogPath() + ".old'; '" + LogPath() +
                                "' is not rotated and keeps growing\r\n";
    EXPECT_EQ(LogText(), previous + warning + "14:05:09: next\r\n");
    EXPECT_EQ(Error(), warning);
}
