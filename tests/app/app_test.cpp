#include "app/app.h"

#include <gtest/gtest.h>

#include <memory>

#include <wx/frame.h>
#include <wx/toplevel.h>

#include "app/app_events.h"
#include "platform/debug_console.h"
#include "support/log_capture.h"
#include "support/wait_until.h"

namespace
{
// A CApp that receives the requests, beside the test program's own application object, which stays the
// toolkit's (it is the one that dispatches queued events).
class AppTest : public testing::Test
{
protected:
    AppTest() : m_running(wxApp::GetInstance())
    {
        m_app = std::make_unique<CApp>(CCommandLine());
        wxApp::SetInstance(m_running);
    }
    ~AppTest() override
    {
        CloseDebugConsole();
        m_app.reset();
        wxApp::SetInstance(m_running);
    }

    template <typename Condition>
    static bool PumpUntil(Condition condition)
    {
        return orvtest::WaitUntil([&] {
            wxTheApp->ProcessPendingEvents();
            wxTheApp->ProcessIdle();
            return condition();
        });
    }

    static wxTopLevelWindow* FindConsole()
    {
        for (wxWindow* window : wxTopLevelWindows)
        {
            auto* top = dynamic_cast<wxTopLevelWindow*>(window);
            if (top && !top->IsBeingDeleted() && top->GetTitle() == "VARNEK Orvanta Panel - Debugging Window")
                return top;
        }
        return nullptr;
    }

    wxAppConsole* m_running;
    std::unique_ptr<CApp> m_app;
};
}  // namespace

TEST_F(AppTest, LogTwiceOpensThenClosesTheConsole)
{
    QueueConsoleRequest(true, m_app.get());
    EXPECT_FALSE(m_app->IsConsoleOpen());  // queued, not handled on the spot
    ASSERT_TRUE(PumpUntil([&] { return m_app->IsConsoleOpen(); }));
    EXPECT_NE(FindConsole(), nullptr);
    QueueConsoleRequest(true, m_app.get());
    ASSERT_TRUE(PumpUntil([&] { return !m_app->IsConsoleOpen(); }));
    EXPECT_FALSE(IsDebugConsoleOpen());
    EXPECT_TRUE(PumpUntil([] { return FindConsole() == nullptr; }));
}

TEST_F(AppTest, ClosingTheConsoleWindowClosesOnlyTheConsole)
{
    wxFrame* mainWindow = new wxFrame(nullptr, wxID_ANY, "main window");
    m_app->SetTopWindow(mainWindow);
    QueueConsoleRequest(true, m_app.get());
    ASSERT_TRUE(PumpUntil([] { return FindConsole() != nullptr; }));
    FindConsole()->Close();
    EXPECT_TRUE(PumpUntil([&] { return !m_app->IsConsoleOpen() && FindConsole() == nullptr; }));
    EXPECT_FALSE(mainWindow->IsBeingDeleted());
    // The next "Log" opens it again.
    QueueConsoleRequest(true, m_app.get());
    EXPECT_TRUE(PumpUntil([&] { return m_app->IsConsoleOpen(); }));
    mainWindow->Destroy();
}

TEST_F(AppTest, ReloadIsQueuedAndDeletesTheMainWindowBeforeBuildingANewOne)
{
    orvtest::LogCapture log;
    wxFrame* mainWindow = new wxFrame(nullptr, wxID_ANY, "main window");
    bool deleted = false;
    mainWindow->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& event) {
        deleted = deleted || event.GetEventObject() == mainWindow;
        event.Skip();
    });
    m_app->SetTopWindow(mainWindow);
    QueueReloadRequest(m_app.get());
    EXPECT_FALSE(deleted);
    ASSERT_TRUE(PumpUntil([&] { return deleted; }));
    EXPECT_TRUE(log.Contains("The panel window is not available in this build", wxLOG_Error)) << log.Dump();
}
