#include "protocol/thread.h"

#include <wx/log.h>

CThread::CThread(int stackClass, const char* name)
    : wxThread(wxTHREAD_JOINABLE), m_stackClass(stackClass), m_name(name ? name : "")
{
}

CThread::~CThread()
{
    Stop();
}

unsigned CThread::StackSize(int stackClass)
{
    switch (stackClass)
    {
        case 1:
            return 16 * 1024;
        case 2:
            return 64 * 1024;
        case 3:
            return 128 * 1024;
        case 4:
            return 256 * 1024;
        case 5:
            return 1024 * 1024;
        default:
            return 0;
    }
}

bool CThread::Start()
{
    m_logTarget = wxLog::GetActiveTarget();
    if (m_started.exchange(true) || Create(StackSize(m_stackClass)) != wxTHREAD_NO_ERROR)
        return false;
    // Never held across the toolkit's calls: its own thread lock must not nest with one of ours.
    m_running = Run() == wxTHREAD_NO_ERROR;
    if (!m_running)
        return false;
    std::unique_lock<std::mutex> guard(m_setUpLock);
    m_setUpDone.wait(guard, [this] { return m_setUp; });
    return true;
}

void CThread::Stop()
{
    m_stopRequested.store(true, std::memory_order_release);
    if (IsDetached())
    {
        Delete();
        return;
    }
    if (!m_running.exchange(false))
        return;
    if (IsPaused())
        Resume();
    Wait();
}

bool CThread::TestDestroy()
{
    return wxThread::TestDestroy() || IsStopRequested();
}

wxThread::ExitCode CThread::Entry()
{
    wxLog::SetThreadActiveTarget(m_logTarget);
    if (!m_name.empty())
        wxThread::SetNameForCurrent(m_name);
    {
        std::lock_guard<std::mutex> guard(m_setUpLock);
        m_setUp = true;
        m_setUpDone.notify_all();
    }
    const int result = Execute();
    wxLog::SetThreadActiveTarget(nullptr);
    return reinterpret_cast<ExitCode>(static_cast<wxIntPtr>(result));
}
