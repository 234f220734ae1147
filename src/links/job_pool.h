#pragma once
// CJobPool: the threads that carry out the jobs of the link sets' actions. An action runs all its jobs at once, one
// thread each, and returns when every one has ended: the calling thread carries the first job itself, parked
// workers carry the others. A worker is created the first time no parked one is free and parks again after its
// job, so an operator's action costs no thread creation once the pool has warmed up.
//
// Owned by the host table and shut down with it; a pool of its own (for a link set without host table) ends its
// workers when it goes.
//
// Thread contract: RunAll from any thread, also from inside a job (a nested action gets workers of its own);
// Shutdown and destruction from the owner's thread while no RunAll is in progress. No lock of the pool is held while
// a job runs, so jobs may take the host locks and the link callback lock freely.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CJobPool
{
public:
    using Work = std::function<bool()>;

    CJobPool();
    // Ends every worker.
    ~CJobPool();
    CJobPool(const CJobPool&) = delete;
    CJobPool& operator=(const CJobPool&) = delete;

    // Runs every work at once, each on its own thread, and waits for all of them. True when every work returned
    // true; a work whose thread could not be started counts as failed. A work logs to the log target that is active
    // on the calling thread.
    bool RunAll(std::vector<Work>& works);
    // Ends and joins the parked workers; a later RunAll starts new ones.
    void Shutdown();

    // Workers that exist now (parked or busy). Any thread.
    std::size_t GetWorkerCount();

private:
    class CWorker;
    struct CAction;

    CWorker* TakeWorker();
    void Park(CWorker* worker);

    std::mutex m_lock;  // guards the fields below
    std::vector<std::unique_ptr<CWorker>> m_workers;
    std::vector<CWorker*> m_parked;
};
