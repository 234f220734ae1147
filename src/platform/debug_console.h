#pragma once
// The debugging console: a window titled "VARNEK Orvanta Panel - Debugging Window" that shows everything the
// program writes to its standard error while it is open, which is every line of the log. Closing it closes only
// the console, never the program.
//
// Windows: a real console (AllocConsole) with the standard streams reopened on it. Linux: a window of the
// program that standard error is redirected into while it is open (what arrives is also passed on to the
// original standard error).
#include <functional>

// Opens the console. onUserClose is called when the user closes it (Windows: any console control event, on a
// thread of the system's; Linux: on the GUI thread); it must only queue a request to close, because the caller
// decides when the console goes. True when the console is open afterwards. GUI thread.
bool OpenDebugConsole(std::function<void()> onUserClose);

// Closes the console and restores the standard streams; does nothing when it is not open. GUI thread.
void CloseDebugConsole();

bool IsDebugConsoleOpen();
