#include "links/job_pool.h"

#include <algorithm>

#include <wx/log.h>

#include "protocol/thread.h"

// One RunAll: the jobs still running on workers and what each returned.
struct CJobPool::CAction
{
    explicit CAction(std::size_t count) : m_results(count, 0) {}

    void Started()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_running;
    }
    void Finished(std::size_t index, bool succeeded)
    {
        // Notified under the lock: the action may end, and this object go, as soon as the lock is released.
        std::lock_guard<std::mutex> guard(m_lock);
        m_results[index] = succeeded;
        --m_running;
        m_done.notify_all();
    }
    void WaitAll()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_done.wait(guard, [this] { return m_running == 0; });
    }

    std::mutex m_lock;  // guards the fields below
    std::condition_variable m_done;
    std::vector<char> m_results;
    std::size_t m_running = 0;
};

// A parked thread of the pool, handed one job at a time.
class CJobPool::CWorker : public CThread
{
public:
    explicit CWorker(CJobPool& pool) : CThread(3, "job"), m_pool(pool) {}
    ~CWorker() override
    {
        Quit();
        Stop();
    }

    // The worker must be parked. Any thread.
    void Hand(Work* work, CAction* action, std::size_t index, wxLog* log)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_job = {work, action, index, log};
        m_wake.notify_one();
    }
    // Ends the thread once it is parked. Any thread.
    void Quit()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_quit = true;
        m_wake.notify_one();
    }

protected:
    int Execute() override;

private:
    struct CJob
    {
        Work* work = nullptr;
        CAction* action = nullptr;
        std::size_t index = 0;
        wxLog* log = nullptr;
    };

    bool WaitForJob(CJob& job);

    CJobPool& m_pool;
    std::mutex m_lock;  // guards the fields below
    std::condition_variable m_wake;
    CJob m_job;
    bool m_quit = false;
};

int CJobPool::CWorker::Execute()
{
    // Each job logs where its caller logs; between jobs the thread has no log target to outlive.
    wxLog::SetThreadActiveTarget(nullptr);
    CJob job;
    while (WaitForJob(job))
    {
        wxLog::SetThreadActiveTarget(job.log);
        const bool succeeded = (*job.work)();
        wxLog::SetThreadActiveTarget(nullptr);
        // Parked before the caller hears of the end, so that its next action finds this worker free.
        m_pool.Park(this);
        job.action->Finished(job.index, succeeded);
    }
    return 0;
}

// Takes the next job; false when the worker is to end.
bool CJobPool::CWorker::WaitForJob(CJob& job)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_wake.wait(guard, [this] { return m_job.work || m_quit; });
    if (!m_job.work)
        return false;
    job = m_job;
    m_job = CJob();
    return true;
}

CJobPool::CJobPool() = default;

CJobPool::~CJobPool()
{
    Shutdown();
}

bool CJobPool::RunAll(std::vector<Work>& works)
{
    if (works.empty())
        return true;
    CAction action(works.size());
    wxLog* const log = wxLog::GetActiveTarget();
    for (std::size_t i = 1; i < works.size(); ++i)
    {
        CWorker* worker = TakeWorker();
        if (!worker)
        {
            wxLogError("Can not start a worker thread");
            continue;  // its result stays false
        }
        action.Started();
        worker->Hand(&works[i], &action, i, log);
    }
    bool succeeded = works[0]();
    action.WaitAll();
    for (std::size_t i = 1; i < works.size(); ++i)
        succeeded = action.m_results[i] && succeeded;
    return succeeded;
}

// A parked worker, else a new one; null when no thread could be started.
CJobPool::CWorker* CJobPool::TakeWorker()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_parked.empty())
        {
            CWorker* worker = m_parked.back();
            m_parked.pop_back();
            return worker;
        }
    }
    // Started outside the pool's lock: the toolkit takes its own thread lock.
    auto worker = std::make_unique<CWorker>(*this);
    if (!worker->Start())
        return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    m_workers.push_back(std::move(worker));
    return m_workers.back().get();
}

void CJobPool::Park(CWorker* worker)
{
    std::lock_guard<std::mutex> guard(m_lock);
    // A worker that Shutdown has already taken away is not the pool's any more.
    const bool owned = std::any_of(m_workers.begin(), m_workers.end(),
                                   [worker](const std::unique_ptr<CWorker>& entry) { return entry.get() == worker; });
    if (owned)
        m_parked.push_back(worker);
}

void CJobPool::Shutdown()
{
    std::vector<std::unique_ptr<CWorker>> workers;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        workers.swap(m_workers);
        m_parked.clear();
    }
    // Every worker is told first, then each is joined, outside the pool's lock.
    for (auto& worker : workers)
        worker->Quit();
    workers.clear();
}

std::size_t CJobPool::GetWorkerCount()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_workers.size();
}
