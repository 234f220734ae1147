#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Outcome = CCommandLine::Outcome;

std::string Joined(const std::vector<wxString>& arguments)
{
    std::string all;
    for (const wxString& argument : arguments)
        all += " " + argument.ToStdString();
    return all;
}

std::vector<std::string> Errors(const CCommandLine& line)
{
    std::vector<std::string> errors;
    for (const wxString& error : line.errors)
        errors.push_back(error.ToStdString());
    return errors;
}

struct HandlingCase
{
    std::vector<wxString> arguments;
    Outcome outcome;
    unsigned verbosity;
    long size;
    std::string source;
    std::string printed;  // standard output
    std::vector<std::string> errors;
};

const char kNeedSource[] = "Need a source directory as parameter";
const char kBadSize[] = "logfile-size: value can not be computed";
}  // namespace

TEST(CommandLine, HandlesEachLineInTheDocumentedOrder)
{
    const HandlingCase cases[] = {
        {{"-V"}, Outcome::PrintVersion, 5, -1, "", "1.2.1\n", {}},
        {{"--version"}, Outcome::PrintVersion, 5, -1, "", "1.2.1\n", {}},
        {{"-V", "project"}, Outcome::PrintVersion, 5, -1, "", "1.2.1\n", {}},
        // Ending switches are decided before the size is read, so a bad size is not reported.
        {{"-V", "--logfile-size=zz"}, Outcome::PrintVersion, 5, -1, "", "1.2.1\n", {}},
        {{"--register-file-extension", "-V"}, Outcome::RegisterFileType, 5, -1, "", "", {}},
        {{"-V", "--unregister-file-extension"}, Outcome::UnregisterFileType, 5, -1, "", "", {}},
        {{"--unregister-file-extension", "--register-file-extension"}, Outcome::RegisterFileType, 5, -1, "", "", {}},
        {{"--compile", "Studio"}, Outcome::Compile, 5, -1, "", "", {}},
        {{"--compile=Studio", "-vvvvv", "p"}, Outcome::Compile, 5, -1, "", "", {}},
        {{"-V", "--compile=Studio"}, Outcome::PrintVersion, 5, -1, "", "1.2.1\n", {}},
        {{"--compile=Studio", "--register-file-extension"}, Outcome::RegisterFileType, 5, -1, "", "", {}},
        {{"project"}, Outcome::Run, 5, -1, "project", "", {}},
        {{"first", "second"}, Outcome::Run, 5, -1, "first", "", {}},
        {{"-v", "-vvvvv", "p"}, Outcome::Run, 5, -1, "p", "", {}},
        {{"-vv", "p"}, Outcome::Run, 100, -1, "p", "", {}},
        {{"--verbose3", "p"}, Outcome::Run, 101, -1, "p", "", {}},
        {{"-vvvv", "-vvvvv", "p"}, Outcome::Run, 102, -1, "p", "", {}},
        {{"-vvvvv", "p"}, Outcome::Run, 103, -1, "p", "", {}},
        {{"--logfile-size=10k", "p"}, Outcome::Run, 5, 10240, "p", "", {}},
        {{"--logfile-size=2M", "p"}, Outcome::Run, 5, 2097152, "p", "", {}},
        {{"--logfile-size", "4096", "p"}, Outcome::Run, 5, 4096, "p", "", {}},
        {{"--logfile-size=-1", "p"}, Outcome::Run, 5, -1, "p", "", {}},
        {{"--logfile-size=10K", "p"}, Outcome::Run, 5, -1, "p", "", {kBadSize}},
        {{"--logfile-size=10m", "p"}, Outcome::Run, 5, -1, "p", "", {kBadSize}},
        {{"--logfile-size=abc"}, Outcome::MissingSource, 5, -1, "", "", {kBadSize, kNeedSource}},
        {{"-h"}, Outcome::MissingSource, 5, -1, "", "", {kNeedSource}},
        {{"--help", "p"}, Outcome::Run, 5, -1, "p", "", {}},
        {{}, Outcome::MissingSource, 5, -1, "", "", {kNeedSource}},
    };
    for (const HandlingCase& row : cases)
    {
        SCOPED_TRACE("arguments:" + Joined(row.arguments));
        const CCommandLine line = HandleCommandLine(row.arguments);
        EXPECT_EQ(line.outcome, row.outcome);
        EXPECT_EQ(line.verbosity, row.verbosity);
        EXPECT_EQ(line.logFileSize, row.size);
        EXPECT_EQ(line.source.ToStdString(), row.source);
        EXPECT_EQ(line.standardOutput.ToStdString(), row.printed);
        EXPECT_EQ(line.standardError.ToStdString(), "");
        EXPECT_EQ(Errors(line), row.errors);
    }
}

TEST(CommandLine, MalformedLinesReportTheErrorThenTheUsage)
{
    const struct
    {
        std::vector<wxString> arguments;
        std::string error;
    } cases[] = {
        {{"--bogus", "p"}, "Unknown long option 'bogus'"},
        {{"-x", "p"}, "Unknown option 'x'"},
        {{"p", "--logfile"}, "Option 'logfile' requires a value."},
    };
    for (const auto& row : cases)
    {
        SCOPED_TRACE("arguments:" + Joined(row.arguments));
        const CCommandLine line = HandleCommandLine(row.arguments);
        EXPECT_EQ(line.outcome, Outcome::Malformed);
        const std::string printed = line.standardError.ToStdString();
        const size_t error = printed.find(row.error);
        const size_t usage = printed.find("Usage: varnekorvpanel");
        ASSERT_NE(error, std::string::npos) << printed;
        ASSERT_NE(usage, std::string::npos) << printed;
        EXPECT_LT(error, usage);
        EXPECT_NE(printed.find("--logfile-size=<str>"), std::string::npos) << printed;
        EXPECT_TRUE(line.errors.empty());
    }
}

TEST(CommandLine, CompileCarriesTheProjectDirectory)
{
    EXPECT_EQ(HandleCommandLine({"--compile", "/projects/Studio"}).actionArgument, "/projects/Studio");
    EXPECT_EQ(HandleCommandLine({"--compile"}).outcome, Outcome::Malformed);
}

TEST(CommandLine, VerboseAlsoTurnsOnTheToolkitFlagAndLogFileIsKept)
{
    const CCommandLine verbose = HandleCommandLine({"-v", "--logfile=/tmp/panel.log", "p"});
    EXPECT_TRUE(verbose.toolkitVerbose);
    EXPECT_EQ(verbose.logFile, "/tmp/panel.log");
    EXPECT_FALSE(verbose.logFileSizeGiven);
    EXPECT_FALSE(HandleCommandLine({"-vv", "p"}).toolkitVerbose);
}

TEST(CommandLine, LogFileSizeAcceptsOnlyDecimalNumbersWithLowerKOrUpperM)
{
    const struct
    {
        const char* text;
        bool ok;
        long bytes;
    } cases[] = {
        {"0", true, 0},
        {"2048", true, 2048},
        {"10k", true, 10240},
        {"2M", true, 2097152},
        {"-1", true, -1},
        {"+7", true, 7},
        {"10K", false, 0},
        {"10m", false, 0},
        {"", false, 0},
        {"k", false, 0},
        {"M", false, 0},
        {"-", false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"1.5M", false, 0},
        {"0x10", false, 0},
        {"10kk", false, 0},
        {"99999999999999999999", false, 0},
        {"9000000000000000M", false, 0},
    };
    for (const auto& row : cases)
    {
        SCOPED_TRACE(std::string("text: '") + row.text + "'");
        long bytes = 12345;
        EXPECT_EQ(ParseLogFileSize(row.text, bytes), row.ok);
        if (row.ok)
            EXPECT_EQ(bytes, row.bytes);
        else
            EXPECT_EQ(bytes, 12345);
    }
}
