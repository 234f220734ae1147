#include "platform/debug_console.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include "support/wait_until.h"

namespace
{
const char kTitle[] = "VARNEK Orvanta Panel - Debugging Window";

wxTopLevelWindow* FindConsole()
{
    for (wxWindow* window : wxTopLevelWindows)
    {
        auto* top = dynamic_cast<wxTopLevelWindow*>(window);
        if (top && !top->IsBeingDeleted() && top->GetTitle() == kTitle)
            return top;
    }
    return nullptr;
}

wxString ShownText()
{
    wxTopLevelWindow* console = FindConsole();
    if (!console)
        return wxString();
    for (wxWindow* child : console->GetChildren())
    {
        if (auto* text = dynamic_cast<wxTextCtrl*>(child))
            return text->GetValue();
    }
    return wxString();
}

// Lets the GUI thread handle what other threads queued, until the condition holds.
template <typename Condition>
bool PumpUntil(Condition condition)
{
    return orvtest::WaitUntil([&] {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();  // deletes the windows destroyed meanwhile
        return condition();
    });
}

ino_t StandardErrorInode()
{
    struct stat info = {};
    fstat(STDERR_FILENO, &info);
    return info.st_ino;
}
}  // namespace

TEST(DebugConsole, ShowsWhatAnyThreadWritesToStandardErrorWhileOpen)
{
    const ino_t original = StandardErrorInode();
    ASSERT_TRUE(OpenDebugConsole(nullptr));
    ASSERT_TRUE(IsDebugConsoleOpen());
    wxTopLevelWindow* console = FindConsole();
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(console->IsShown());
    EXPECT_FALSE(console->ShouldPreventAppExit());
    EXPECT_NE(StandardErrorInode(), original);

    std::fprintf(stderr, "12:00:00: from the GUI thread\r\n");
    std::thread([] { std::fprintf(stderr, "12:00:01: Error: from a host thread\r\n"); }).join();
    EXPECT_TRUE(PumpUntil([] { return ShownText().Contains("from a host thread\n"); })) << ShownText();
    EXPECT_TRUE(ShownText().Contains("12:00:00: from the GUI thread\n"));

    CloseDebugConsole();
    EXPECT_FALSE(IsDebugConsoleOpen());
    EXPECT_EQ(StandardErrorInode(), original);
    EXPECT_TRUE(PumpUntil([] { return FindConsole() == nullptr; }));
    CloseDebugConsole();  // closing a closed console does nothing
}

TEST(DebugConsole, ClosingTheWindowClosesOnlyTheConsoleAndTellsTheOwner)
{
    const ino_t original = StandardErrorInode();
    wxFrame* mainWindow = new wxFrame(nullptr, wxID_ANY, "main window");
    int told = 0;
    ASSERT_TRUE(OpenDebugConsole([&told] { ++told; }));
    ASSERT_NE(FindConsole(), nullptr);
    FindConsole()->Close();
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(IsDebugConsoleOpen());
    EXPECT_EQ(StandardErrorInode(), original);
    EXPECT_TRUE(PumpUntil([] { return FindConsole() == nullptr; }));
    EXPECT_FALSE(mainWindow->IsBeingDeleted());
    mainWindow->Destroy();
}

TEST(DebugConsole, ALastLineWithoutLineFeedIsShownBeforeTheWindowGoes)
{
    ASSERT_TRUE(OpenDebugConsole(nullptr));
    wxTextCtrl* text = nullptr;
    for (wxWindow* child : FindConsole()->GetChildren())
        text = text ? text : dynamic_cast<wxTextCtrl*>(child);
    ASSERT_NE(text, nullptr);
    std::fputs("partial line", stderr);
    CloseDebugConsole();
    // The window is destroyed at the next idle time, after the text queued to it.
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(text->GetValue(), "partial line");
    EXPECT_TRUE(PumpUntil([] { return FindConsole() == nullptr; }));
}
