#include "app/command_line.h"

#include <limits>
#include <string>

#include <wx/cmdline.h>
#include <wx/msgout.h>

namespace
{
// The command-line table, in the order the usage text lists it.
const wxCmdLineEntryDesc kEntries[] = {
    {wxCMD_LINE_SWITCH, "h", "help", "show this help message", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "V", "version", "Get server version", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "v", "verbose", "be verbose", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "vv", "verbose2", "be more verbose", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "vvv", "verbose3", "be more verbose", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "vvvv", "verbose4", "be more verbose", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, "vvvvv", "verbose5", "be more verbose", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_OPTION, nullptr, "logfile", "Log file name", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_SWITCH, nullptr, "register-file-extension", "", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_SWITCH, nullptr, "unregister-file-extension", "", wxCMD_LINE_VAL_NONE, 0},
    {wxCMD_LINE_OPTION, nullptr, "logfile-size", "Max log file size at software startup", wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_OPTION, nullptr, "compile", "Compile a project directory into its package and exit",
     wxCMD_LINE_VAL_STRING, 0},
    {wxCMD_LINE_PARAM, "src", "src", "Source file (xml or vkpanel file)", wxCMD_LINE_VAL_STRING,
     wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE},
    wxCMD_LINE_DESC_END,
};

// Switches and options that end start-up without a window, in the order they are looked at: the first one
// present wins. An option's value goes to CCommandLine::actionArgument.
struct CEndingEntry
{
    const char* name;
    bool takesValue;
    CCommandLine::Outcome outcome;
};

const CEndingEntry kEndingEntries[] = {
    {"register-file-extension", false, CCommandLine::Outcome::RegisterFileType},
    {"unregister-file-extension", false, CCommandLine::Outcome::UnregisterFileType},
    {"V", false, CCommandLine::Outcome::PrintVersion},
    {"compile", true, CCommandLine::Outcome::Compile},
};

// The first of these switches that is present sets the verbosity; the later ones are not looked at.
struct CVerbositySwitch
{
    const char* name;
    unsigned verbosity;
};

const CVerbositySwitch kVerbositySwitches[] = {
    {"v", 5}, {"vv", 100}, {"vvv", 101}, {"vvvv", 102}, {"vvvvv", 103},
};

// Collects what the parser reports instead of letting it reach the terminal or a message box.
class CMessageCollector : public wxMessageOutput
{
public:
    CMessageCollector() : m_previous(wxMessageOutput::Set(this)) {}
    ~CMessageCollector() override { wxMessageOutput::Set(m_previous); }
    void Output(const wxString& text) override
    {
        m_text += text;
        if (!m_text.empty() && !m_text.EndsWith("\n"))
            m_text += "\n";
    }
    const wxString& Text() const { return m_text; }

private:
    wxMessageOutput* m_previous;
    wxString m_text;
};

bool FindEndingEntry(const wxCmdLineParser& parser, CCommandLine& result)
{
    for (const CEndingEntry& entry : kEndingEntries)
    {
        const bool found =
            entry.takesValue ? parser.Found(entry.name, &result.actionArgument) : parser.Found(entry.name);
        if (found)
        {
            result.outcome = entry.outcome;
            return true;
        }
    }
    return false;
}

void ReadVerbosity(const wxCmdLineParser& parser, CCommandLine& result)
{
    for (const CVerbositySwitch& entry : kVerbositySwitches)
    {
        if (parser.Found(entry.name))
        {
            result.verbosity = entry.verbosity;
            return;
        }
    }
}

void ReadLogFileOptions(const wxCmdLineParser& parser, CCommandLine& result)
{
    parser.Found("logfile", &result.logFile);
    wxString size;
    if (!parser.Found("logfile-size", &size))
        return;
    if (ParseLogFileSize(size, result.logFileSize))
    {
        result.logFileSizeGiven = true;
        return;
    }
    result.logFileSize = -1;
    result.errors.push_back("logfile-size: value can not be computed");
}
}  // namespace

bool ParseLogFileSize(const wxString& text, long& bytes)
{
    long factor = 1;
    wxString number = text;
    if (number.EndsWith("k", &number))
        factor = 1024;
    else if (number.EndsWith("M", &number))
        factor = 1048576;
    size_t digits = (number.StartsWith("-") || number.StartsWith("+")) ? 1 : 0;
    if (digits == number.length())
        return false;
    for (size_t i = digits; i < number.length(); ++i)
    {
        if (number[i] < '0' || number[i] > '9')
            return false;
    }
    long value = 0;
    if (!number.ToLong(&value))
        return false;
    if (value > std::numeric_limits<long>::max() / factor || value < std::numeric_limits<long>::min() / factor)
        return false;
    bytes = value * factor;
    return true;
}

CCommandLine HandleCommandLine(const std::vector<wxString>& arguments)
{
    CCommandLine result;
    wxCmdLineParser parser(kEntries);
    parser.SetLogo(
        wxString::Format("VARNEK Orvanta Panel %d.%d.%d - remote control panel for VARNEK Orvanta audio "
                         "processors",
                         app::kVersionMajor, app::kVersionMinor, app::kVersionRelease));
    std::vector<std::wstring> texts{L"varnekorvpanel"};
    for (const wxString& argument : arguments)
        texts.push_back(argument.ToStdWstring());
    std::vector<wxChar*> argv;
    for (std::wstring& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    parser.SetCmdLine(static_cast<int>(texts.size()), argv.data());
    CMessageCollector collector;
    if (parser.Parse(false) != 0)
    {
        result.outcome = CCommandLine::Outcome::Malformed;
        result.standardError = collector.Text() + parser.GetUsageString();
        return result;
    }
    if (FindEndingEntry(parser, result))
    {
        if (result.outcome == CCommandLine::Outcome::PrintVersion)
            result.standardOutput =
                wxString::Format("%d.%d.%d\n", app::kVersionMajor, app::kVersionMinor, app::kVersionRelease);
        return result;
    }
    ReadVerbosity(parser, result);
    ReadLogFileOptions(parser, result);
    if (parser.GetParamCount() == 0)
    {
        result.outcome = CCommandLine::Outcome::MissingSource;
        result.errors.push_back("Need a source directory as parameter");
    }
    else
        result.source = parser.GetParam(0);
    result.toolkitVerbose = parser.Found("verbose");
    return result;
}
