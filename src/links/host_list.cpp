#include "links/host_list.h"

#include <atomic>
#include <vector>

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/host.h"
#include "storage/xml_helpers.h"

namespace
{
std::atomic<CHostList*> g_hostList{nullptr};
}  // namespace

CHostList::CHostList()
{
    CHostList* none = nullptr;
    g_hostList.compare_exchange_strong(none, this);
}

CHostList::~CHostList()
{
    Clear();
    CHostList* self = this;
    g_hostList.compare_exchange_strong(self, nullptr);
}

CHostList* CHostList::Get()
{
    return g_hostList.load();
}

int CHostList::PollIntervalForVuSpeed(int vuSpeed)
{
    if (vuSpeed < 1 || vuSpeed > 100)
        vuSpeed = kDefaultVuSpeed;
    return 2500 / vuSpeed;
}

void CHostList::Load(const wxXmlNode* element)
{
    if (!element)
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (element->GetName().CmpNoCase("host") == 0)
    {
        LoadHost(element);
        return;
    }
    for (const wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (child->GetName().CmpNoCase("host") != 0)
        {
            wxLogError("Unexpected tag %s at %s", child->GetName(), NodeLocation(child));
            continue;
        }
        LoadHost(child);
    }
}

// Table lock held.
void CHostList::LoadHost(const wxXmlNode* element)
{
    auto host = std::make_unique<CHost>(element);
    const wxString alias = host->GetAlias();
    if (alias.empty())
    {
        wxLogVerbose("Missing alias for host");
        return;
    }
    if (m_hosts.count(alias))
    {
        wxLogVerbose("host %s already defined", alias);
        return;
    }
    host->SetPollInterval(m_pollInterval);
    m_hosts.emplace(alias, std::move(host));
}

CHost* CHostList::FindHost(const wxString& alias)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_hosts.find(alias);
    if (found != m_hosts.end())
        return found->second.get();
    if (alias.empty() && m_hosts.size() == 1)
        return m_hosts.begin()->second.get();
    wxLogVerbose("host %s is not defined", alias);
    return nullptr;
}

void CHostList::StartAll()
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& entry : m_hosts)
    {
        if (!entry.second->IsRunning())
            entry.second->Start();
    }
}

// The threads are joined without the table lock: a join on the main thread hands the toolkit's GUI lock back and
// takes it again, which must not happen inside a lock of ours.
void CHostList::StopAll()
{
    std::vector<CHost*> running;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto& entry : m_hosts)
        {
            if (!entry.second->IsRunning())
                continue;
            entry.second->RequestStop();
            running.push_back(entry.second.get());
        }
    }
    for (CHost* host : running)
        host->FinishStop();
}

void CHostList::Clear()
{
    StopAll();
    // A job still writing has seen its host stop and ends at once.
    m_jobs.Shutdown();
    std::map<wxString, std::unique_ptr<CHost>> hosts;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        hosts.swap(m_hosts);
    }
    hosts.clear();
}

void CHostList::SetPollInterval(int ms)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pollInterval = ms;
    for (auto& entry : m_hosts)
        entry.second->SetPollInterval(ms);
}
