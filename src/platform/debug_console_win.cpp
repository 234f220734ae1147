#include "platform/debug_console.h"

#include <windows.h>

#include <cstdio>

namespace
{
std::function<void()> g_onUserClose;
bool g_open = false;

// Called by the system on a thread of its own for Ctrl+C, Ctrl+Break, closing the console window, log-off and
// shut-down: it only passes the request on, and says the event is handled so that the program goes on.
BOOL WINAPI ConsoleControlHandler(DWORD)
{
    if (g_onUserClose)
        g_onUserClose();
    return TRUE;
}
}  // namespace

bool OpenDebugConsole(std::function<void()> onUserClose)
{
    if (g_open)
        return true;
    g_onUserClose = std::move(onUserClose);
    if (!AllocConsole())
        return false;
    g_open = true;
    SetConsoleTitleW(L"VARNEK Orvanta Panel - Debugging Window");
    SetConsoleCtrlHandler(ConsoleControlHandler, TRUE);
    FILE* stream = nullptr;
    freopen_s(&stream, "conout$", "w", stdout);
    freopen_s(&stream, "conout$", "w", stderr);
    freopen_s(&stream, "conin$", "r", stdin);
    return true;
}

void CloseDebugConsole()
{
    if (!g_open)
        return;
    SetConsoleCtrlHandler(ConsoleControlHandler, FALSE);
    FreeConsole();
    g_open = false;
}

bool IsDebugConsoleOpen()
{
    return g_open;
}
