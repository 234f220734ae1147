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
    std::lock_guard<std::mutex> guard(m_joinLock);
    if (m_joinable || Create(StackSize(m_stackClass)) != wxTHREAD_NO_ERROR)
        return false;
    m_joinable = Run() == wxTHREAD_NO_ERROR;
    return m_joinable;
}

void CThread::Stop()
{
    m_stopRequested.store(true, std::memory_order_release);
    if (IsDetached())
    {
        Delete();
        return;
    }
    std::lock_guard<std::mutex> guard(m_joinLock);
    if (!m_joinable)
        return;
    if (IsPaused())
        Resume();
    Wait();
    m_joinable = false;
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
    const int result = Execute();
    wxLog::SetThreadActiveTarget(nullptr);
    return reinterpret_cast<ExitCode>(static_cast<wxIntPtr>(result));
}
