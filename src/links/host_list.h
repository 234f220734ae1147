#pragma once
// CHostList: the table of the panel's hosts by alias, one per process. It is created at start-up, loads the hosts
// of the application document, starts their threads, stops them before the application is reloaded or closed,
// and hands the common poll interval to every host. It also owns the threads that carry out the link sets' jobs,
// which end when the hosts are cleared.
//
// Thread contract: Load, StartAll, StopAll, Clear and SetPollInterval on the GUI thread; FindHost and Get from
// any thread; all take the table lock except Get.
#include <map>
#include <memory>
#include <mutex>

#include <wx/string.h>

#include "links/job_pool.h"

class CHost;
class wxXmlNode;

class CHostList
{
public:
    static constexpr int kDefaultPollIntervalMs = 100;
    static constexpr int kDefaultVuSpeed = 25;

    // Becomes the process-wide table unless one exists already.
    CHostList();
    // Stops and deletes every host.
    ~CHostList();
    CHostList(const CHostList&) = delete;
    CHostList& operator=(const CHostList&) = delete;

    // The process-wide table, or null.
    static CHostList* Get();

    // Creates the hosts of a `hosts` element, or the one host of a lone `host` element.
    void Load(const wxXmlNode* element);
    // The host of that exact alias; an empty alias names the only host when there is exactly one.
    CHost* FindHost(const wxString& alias);
    // Starts the thread of every host that has not been started.
    void StartAll();
    // Stops every running host: all are told first, then each is waited for, so the whole stop takes about as long
    // as the slowest host.
    void StopAll();
    // StopAll, then ends the job threads and deletes every host.
    void Clear();
    // Sets the poll interval of the table and of every host.
    void SetPollInterval(int ms);

    // The threads of the link sets' actions. Any thread.
    CJobPool& GetJobPool() { return m_jobs; }

    // The poll interval for the configured VU-meter speed: 2500 / speed ms, where speeds outside 1..100 count as 25.
    static int PollIntervalForVuSpeed(int vuSpeed);

private:
    void LoadHost(const wxXmlNode* element);

    std::mutex m_lock;  // guards the fields below
    std::map<wxString, std::unique_ptr<CHost>> m_hosts;
    int m_pollInterval = kDefaultPollIntervalMs;
    CJobPool m_jobs;
};
