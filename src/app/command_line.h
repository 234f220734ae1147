#pragma once
// The program's command line: its table of switches, options and parameter, and the handling of a parsed line
// into what start-up does next. Handling is a pure step (arguments in, a CCommandLine out, nothing printed or
// logged) so that main can decide before the GUI toolkit starts whether a window is needed at all, and so that
// the whole table can be checked case by case.
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

namespace app
{
constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 2;
constexpr int kVersionRelease = 1;
}  // namespace app

struct CCommandLine
{
    // What start-up does after handling the command line. Every outcome but Run ends without a window.
    enum class Outcome
    {
        Run,                 // the windowed start-up goes on with the source
        RegisterFileType,    // --register-file-extension
        UnregisterFileType,  // --unregister-file-extension
        PrintVersion,        // -V
        Compile,             // --compile <project directory>: actionArgument holds the directory
        Malformed,           // the parser refused the line; standardError holds the error and the usage
        MissingSource,       // no positional parameter
    };

    Outcome outcome = Outcome::Run;
    unsigned verbosity = 5;         // the log verbosity (5 = info, 100..103 = the program's own levels)
    bool toolkitVerbose = false;    // the toolkit's verbose-logging flag (-v / --verbose)
    wxString logFile;               // --logfile, empty when absent
    long logFileSize = -1;          // --logfile-size in bytes, -1 when absent or not a number
    bool logFileSizeGiven = false;  // --logfile-size was given and is a number
    wxString source;                // first positional parameter
    wxString actionArgument;        // value of an ending option (the project directory of --compile)
    wxString standardOutput;        // text to print on standard output
    wxString standardError;         // text to print on standard error
    wxArrayString errors;           // error messages to log, in order

    bool EndsWithoutWindow() const { return outcome != Outcome::Run; }
};

// Parses and handles the arguments (without the program name). Any thread, but not two at once: the parser
// reports through the process-wide message output, which this redirects while it runs.
CCommandLine HandleCommandLine(const std::vector<wxString>& arguments);

// Converts a --logfile-size text to bytes: a decimal integer, optionally followed by "k" (x 1024) or "M"
// (x 1048576). False when the text is not such a number or the result does not fit.
bool ParseLogFileSize(const wxString& text, long& bytes);
