#include "links/link_set.h"

#include <algorithm>

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/host_list.h"
#include "links/job_pool.h"
#include "links/link_job.h"
#include "links/orv_link_choice.h"
#include "links/orv_link_fixed.h"
#include "links/orv_link_sequential.h"
#include "links/orv_link_var.h"

namespace
{
// One lock for every control callback of the process, so that no two of them ever run at once.
std::mutex& LinkCallbackLock()
{
    static std::mutex lock;
    return lock;
}

bool IsElement(const wxXmlNode* node, const char* name)
{
    return node->GetType() == wxXML_ELEMENT_NODE && node->GetName().CmpNoCase(name) == 0;
}
}  // namespace

CLinkSet::CLinkSet(CHostList* hosts, CLinkTarget* target) : m_hosts(hosts), m_target(target) {}

CLinkSet::~CLinkSet()
{
    m_jobs.clear();
    for (auto& link : m_allLinks)
        link.reset();
}

void CLinkSet::SetCallbacks(CLinkTarget::Callback value, CLinkTarget::Callback error)
{
    std::lock_guard<std::mutex> guard(LinkCallbackLock());
    m_valueCallback = value;
    m_errorCallback = error;
}

void CLinkSet::Notify(COrvLinkBase* link)
{
    std::lock_guard<std::mutex> guard(LinkCallbackLock());
    const CLinkTarget::Callback callback = link->IsValid() ? m_valueCallback : m_errorCallback;
    if (m_target && callback)
        (m_target->*callback)();
}

int CLinkSet::Init(wxXmlNode* element)
{
    if (!element)
        return 0;
    if (!element->GetChildren())
        return 1;
    bool seen = false;
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (IsElement(child, "seq"))
        {
            seen = true;
            if (InitSequential(child) < 0)
                return -1;
        }
        else if (IsElement(child, "link"))
        {
            seen = true;
            if (Create(child, &m_links, nullptr) < 0)
                return -1;
        }
    }
    if (!seen)
        return 1;
    BuildJobs();
    return 0;
}

int CLinkSet::InitSequential(wxXmlNode* element)
{
    auto created = std::make_unique<COrvLinkSequential>(this);
    COrvLinkBase* link = created.get();
    m_allLinks.push_back(std::move(created));
    m_links.push_back(link);
    if (link->Init(element) >= 0)
        return 0;
    Forget(link, &m_links);
    wxLogError("<seq> failed init");
    return -1;
}

COrvLinkBase* CLinkSet::MakeLink(const wxString& type)
{
    if (type == "variable")
        return new COrvLinkVar(this);
    if (type == "fixed")
        return new COrvLinkFixed(this);
    if (type == "choice")
        return new COrvLinkChoice(this);
    return nullptr;
}

int CLinkSet::Create(wxXmlNode* element, std::vector<COrvLinkBase*>* list, COrvLinkBase** where)
{
    const wxString type = element->GetAttribute("type", "variable");
    COrvLinkBase* link = MakeLink(type);
    if (!link)
    {
        wxLogError("Link type '%s' is unsupported", type);
        if (where)
            *where = nullptr;
        return 0;
    }
    m_allLinks.emplace_back(link);
    if (list)
        list->push_back(link);
    if (link->Init(element) < 0)
    {
        if (link->IsVariable())
            wxLogError("Link type '%s' failed init: %s", type, link->GetErrorText());
        else
            wxLogError("Link type '%s' failed init", type);
        Forget(link, list);
        return -1;
    }
    if (where)
        *where = link;
    return 0;
}

// Removes a link that failed to initialise from the set and from the list it was appended to, and deletes it.
void CLinkSet::Forget(COrvLinkBase* link, std::vector<COrvLinkBase*>* list)
{
    if (list)
        list->erase(std::remove(list->begin(), list->end(), link), list->end());
    auto owned = std::find_if(m_allLinks.begin(), m_allLinks.end(),
                              [link](const std::unique_ptr<COrvLinkBase>& entry) { return entry.get() == link; });
    if (owned != m_allLinks.end())
        m_allLinks.erase(owned);
}

int CLinkSet::GetValueString(const std::vector<COrvLinkBase*>& links, wxString& text)
{
    text.clear();
    for (std::size_t i = 0; i < links.size(); ++i)
    {
        wxString value;
        if (links[i]->GetValue(value) < 0)
            return -1;
        if (i > 0)
            text += "\n";
        text += value;
    }
    return 0;
}

// Groups the top-level links into jobs: the variable links of each host into one job, every other link into a
// job of its own.
void CLinkSet::BuildJobs()
{
    for (COrvLinkBase* link : m_links)
    {
        if (!link->IsVariable())
        {
            m_jobs.push_back(std::make_unique<CLinkJob>(link));
            continue;
        }
        auto* variable = static_cast<COrvLinkVar*>(link);
        auto job = std::find_if(m_jobs.rbegin(), m_jobs.rend(), [variable](const std::unique_ptr<CLinkJob>& entry) {
            return entry->GetHost() && entry->GetHost() == variable->GetHost();
        });
        if (job != m_jobs.rend())
            (*job)->AddLink(variable);
        else
        {
            m_jobs.push_back(std::make_unique<CLinkJob>(variable->GetHost()));
            m_jobs.back()->AddLink(variable);
        }
    }
    for (auto& job : m_jobs)
        job->Fill();
}

bool CLinkSet::SetValue(int on)
{
    return RunJobs(on, nullptr);
}

bool CLinkSet::SetValueString(const wxString& text)
{
    return RunJobs(0, &text);
}

// One thread per job that has something to do, all at once; every one has ended before the result is combined.
bool CLinkSet::RunJobs(int on, const wxString* text)
{
    std::vector<CJobPool::Work> works;
    for (auto& job : m_jobs)
    {
        CJobPool::Work work = text ? job->TextWork(*text) : job->SwitchWork(on);
        if (work)
            works.push_back(std::move(work));
    }
    if (m_hosts)
        return m_hosts->GetJobPool().RunAll(works);
    // Without a host table there are only computed links; their threads end with the action.
    CJobPool pool;
    return pool.RunAll(works);
}
