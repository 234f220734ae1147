#pragma once
// CThread: the joinable thread base of the program's long-lived threads (the host threads, the receive threads of
// the notification channels and the job workers). It adds a stack-size class, a stop request and a name.
//
// The thread logs to the log target that was active on the thread that called Start, so that its messages are
// written at once instead of being buffered until the GUI thread flushes them.
//
// A derived class whose Execute uses its own members must call Stop in its own destructor: by the time the base
// destructor runs, those members are gone.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include <wx/thread.h>

class wxLog;

class CThread : public wxThread
{
public:
    // Stack classes: 1 16 KiB, 2 64 KiB, 3 128 KiB, 4 256 KiB, 5 1 MiB; anything else the platform's default.
    CThread(int stackClass, const char* name);
    ~CThread() override;

    // Creates the thread with the stack of its class and runs it; false when it could not be created. Returns once
    // the thread has set itself up (log target, name), so that threads started one after the other never set
    // themselves up at the same time: the toolkit creates its per-thread bookkeeping lazily, on first use. Any thread.
    bool Start();
    // Requests the stop and waits until the thread has ended (resuming it first when paused). Any thread but this
    // one; when two threads stop it at once, one of them waits for the end.
    void Stop();

    // The stop request as seen from any thread.
    bool IsStopRequested() const { return m_stopRequested.load(std::memory_order_acquire); }
    const std::string& GetName() const { return m_name; }

    // Stack size of a stack class in bytes, 0 for the platform's default.
    static unsigned StackSize(int stackClass);

    // The toolkit's cancellation test or the stop request. Only on this thread.
    bool TestDestroy() override;

protected:
    // The thread body; its result is the thread's exit code.
    virtual int Execute() = 0;

private:
    ExitCode Entry() override;

    const int m_stackClass;
    std::atomic<bool> m_stopRequested{false};
    const std::string m_name;
    wxLog* m_logTarget = nullptr;        // written by Start before the thread runs
    std::atomic<bool> m_started{false};  // Start was called (a thread runs only once)
    std::atomic<bool> m_running{false};  // created and running, not yet joined; whoever clears it joins
    std::mutex m_setUpLock;              // guards m_setUp
    std::condition_variable m_setUpDone;
    bool m_setUp = false;  // the thread has set itself up
};
