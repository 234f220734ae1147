#pragma once
// The runs of the program that end without a window (-V, the file-type registration switches, --compile, a
// malformed command line). They run under a console application object, before and without the GUI toolkit, so that
// they work where there is no display at all (over SSH, in scripts, in CI); they print on the standard streams
// and log to standard error.
#include <wx/app.h>

#include "app/command_line.h"

// Exit statuses of the program.
constexpr int kExitSuccess = 0;
// The toolkit's status for a start-up that ends without running (the shell sees 255).
constexpr int kExitStartupFailed = -1;
// --compile could not write the package.
constexpr int kExitCompileFailed = 1;

class CConsoleApp : public wxAppConsole
{
};

// Carries out a command line that ends without a window and returns the program's exit status. Main thread,
// with no application object yet.
int RunWithoutWindow(int& argc, char** argv, const CCommandLine& commandLine);

// The action of such a command line, once the toolkit's base is running. Main thread.
int RunEndingAction(const CCommandLine& commandLine);
