#include "platform/debug_console.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#include <wx/font.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "platform/resources.h"

namespace
{
constexpr size_t kMaxShownChars = 1000000;  // older text is dropped beyond this
constexpr size_t kMaxPartialLine = 4096;    // a line longer than this is shown in pieces

// The console window. It never keeps the program alive on its own: when the main window goes, it goes too.
class CConsoleFrame : public wxFrame
{
public:
    CConsoleFrame();
    bool ShouldPreventAppExit() const override { return false; }

private:
    void OnText(wxThreadEvent& event);
    void OnClose(wxCloseEvent& event);

    wxTextCtrl* m_text;
};

// Standard error redirected into a pipe while the console is open, and the thread that reads the pipe. The
// thread passes every byte on to the original standard error and queues whole lines to the window.
struct CRedirection
{
    int savedError = -1;  // the original standard error
    int pipeRead = -1;
    int wakeRead = -1;  // written to (wakeWrite) to stop the reader
    int wakeWrite = -1;
    std::thread reader;
};

// The open console. GUI thread only.
struct CConsole
{
    CConsoleFrame* frame = nullptr;
    CRedirection redirection;
    std::function<void()> onUserClose;
};

CConsole* g_console = nullptr;

void WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void QueueText(wxEvtHandler* window, const std::string& bytes)
{
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    text.Replace("\r", "");
    wxThreadEvent* event = new wxThreadEvent();
    event->SetString(text);
    wxQueueEvent(window, event);
}

// Moves the whole lines at the front of pending to the window (everything, when one line grows too long).
void QueueWholeLines(wxEvtHandler* window, std::string& pending)
{
    const size_t feed = pending.rfind('\n');
    size_t end = feed == std::string::npos ? 0 : feed + 1;
    if (pending.size() > kMaxPartialLine)
        end = pending.size();
    if (end == 0)
        return;
    QueueText(window, pending.substr(0, end));
    pending.erase(0, end);
}

// Reads until woken (or the pipe has no writer left), then drains what is left. Runs on the reader thread and
// touches the window only by queueing events to it.
void ReadPipe(int pipeRead, int wakeRead, int savedError, wxEvtHandler* window)
{
    std::string pending;
    char block[4096];
    bool stopping = false;
    for (;;)
    {
        if (!stopping)
        {
            pollfd fds[2] = {{pipeRead, POLLIN, 0}, {wakeRead, POLLIN, 0}};
            const int ready = poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            stopping = ready < 0 || fds[1].revents != 0;
        }
        const ssize_t count = read(pipeRead, block, sizeof block);
        if (count > 0)
        {
            WriteAll(savedError, block, static_cast<size_t>(count));
            pending.append(block, static_cast<size_t>(count));
            QueueWholeLines(window, pending);
        }
        else if (count == 0 || (stopping && errno != EINTR))
            break;
    }
    if (!pending.empty())
        QueueText(window, pending);
}

bool StartRedirection(CRedirection& redirection, wxEvtHandler* window)
{
    int data[2];
    int wake[2];
    if (pipe2(data, O_CLOEXEC) != 0)
        return false;
    if (pipe2(wake, O_CLOEXEC) != 0)
    {
        close(data[0]);
        close(data[1]);
        return false;
    }
    std::fflush(stderr);
    redirection.savedError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (redirection.savedError < 0 || dup2(data[1], STDERR_FILENO) < 0)
    {
        for (int fd : {data[0], data[1], wake[0], wake[1], redirection.savedError})
            if (fd >= 0)
                close(fd);
        return false;
    }
    close(data[1]);
    fcntl(data[0], F_SETFL, O_NONBLOCK);
    redirection.pipeRead = data[0];
    redirection.wakeRead = wake[0];
    redirection.wakeWrite = wake[1];
    redirection.reader = std::thread(ReadPipe, data[0], wake[0], redirection.savedError, window);
    return true;
}

// Puts the original standard error back, then stops the reader once it has shown everything written before.
void StopRedirection(CRedirection& redirection)
{
    std::fflush(stderr);
    dup2(redirection.savedError, STDERR_FILENO);
    const char stop = 1;
    WriteAll(redirection.wakeWrite, &stop, 1);
    redirection.reader.join();
    for (int fd : {redirection.pipeRead, redirection.wakeRead, redirection.wakeWrite, redirection.savedError})
        close(fd);
}

CConsoleFrame::CConsoleFrame()
    : wxFrame(nullptr, wxID_ANY, "VARNEK Orvanta Panel - Debugging Window", wxDefaultPosition, wxSize(900, 420))
{
    SetIcons(GetProgramIcons());
    m_text = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
    m_text->SetFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    m_text->SetBackgroundColour(wxColour(20, 20, 20));
    m_text->SetForegroundColour(wxColour(220, 220, 220));
    wxBoxSizer* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_text, 1, wxEXPAND);
    SetSizer(sizer);
    Bind(wxEVT_THREAD, &CConsoleFrame::OnText, this);
    Bind(wxEVT_CLOSE_WINDOW, &CConsoleFrame::OnClose, this);
}

void CConsoleFrame::OnText(wxThreadEvent& event)
{
    m_text->AppendText(event.GetString());
    const wxTextPos length = m_text->GetLastPosition();
    if (length > static_cast<wxTextPos>(kMaxShownChars))
        m_text->Remove(0, length - static_cast<wxTextPos>(kMaxShownChars / 2));
}

// Closed by the user, or by the toolkit when the program's last window goes: the console is taken down now and
// the owner is told, so that its own record of the console follows.
void CConsoleFrame::OnClose(wxCloseEvent&)
{
    std::function<void()> onUserClose = g_console ? g_console->onUserClose : nullptr;
    CloseDebugConsole();
    if (onUserClose)
        onUserClose();
}
}  // namespace

bool OpenDebugConsole(std::function<void()> onUserClose)
{
    if (g_console)
        return true;
    CConsole* console = new CConsole;
    console->onUserClose = std::move(onUserClose);
    console->frame = new CConsoleFrame;
    if (!StartRedirection(console->redirection, console->frame))
    {
        console->frame->Destroy();
        delete console;
        return false;
    }
    g_console = console;
    console->frame->Show();
    return true;
}

void CloseDebugConsole()
{
    if (!g_console)
        return;
    CConsole* console = g_console;
    g_console = nullptr;
    StopRedirection(console->redirection);
    console->frame->Destroy();
    delete console;
}

bool IsDebugConsoleOpen()
{
    return g_console != nullptr;
}
