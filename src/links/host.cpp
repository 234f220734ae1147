#include "links/host.h"

#include <algorithm>

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/host_list.h"
#include "links/link_text.h"
#include "links/orv_link_base.h"
#include "platform/log_levels.h"

CHost::CHost(const wxXmlNode* element) : CThread(3, "host"), m_alias(element->GetAttribute("alias"))
{
    m_channel.SetAsyncHandler(&m_notify, &CHostNotify::Forward);
    if (m_alias.empty())
    {
        wxLogError("host alias is not defined");
        return;
    }
    m_hostName = element->GetAttribute("host", "localhost");
    m_login = element->GetAttribute("login", "guest,guest");
    if (!ParseDecimal(element->GetAttribute("port", "3003"), m_port))
    {
        wxLogError("host port: value can not be computed");
        m_port = kDefaultPort;
    }
}

CHost::~CHost()
{
    RequestStop();
    FinishStop();
}

void CHost::CHostNotify::Forward(void* context, const wxString& line)
{
    static_cast<CHostNotify*>(context)->m_host->OnAsync(line);
}

void CHost::RequestStop()
{
    m_stop.store(true);
    // Ends a connect in progress at once and wakes a thread blocked reading the handshake or an answer.
    m_channel.GetClient().SetStopRequested(true);
    m_channel.GetClient().Disconnect();
}

void CHost::FinishStop()
{
    // The channel's last broadcast wakes a host thread that waits for an answer.
    m_channel.Stop();
    Stop();
}

bool CHost::TestDestroy()
{
    return m_stop.load() || CThread::TestDestroy();
}

int CHost::Execute()
{
    if (!CHostList::Get())
        return -1;
    while (!TestDestroy())
    {
        const int interval = GetPollInterval();
        for (int slept = 0; slept < interval && !TestDestroy(); slept += kSleepSliceMs)
            wxThread::Sleep(std::min(kSleepSliceMs, interval - slept));
        if (!TestDestroy())
            Poll();
    }
    return 0;
}

// Counted, because the host thread (re-subscribing) and another thread (attaching a new variable) may both hold
// lines back at once; the last one to let go delivers them. Never called with the variables lock held.
void CHost::HoldAsync()
{
    std::lock_guard<std::mutex> guard(m_holdLock);
    if (m_holdCount++ == 0)
        m_channel.SetHoldAsync(true);
}

void CHost::ReleaseAsync()
{
    std::lock_guard<std::mutex> guard(m_holdLock);
    if (--m_holdCount == 0)
        m_channel.SetHoldAsync(false);
}

CVariableRecord* CHost::FindRecord(const wxString& upperName)
{
    auto found = m_index.find(upperName);
    return found == m_index.end() ? nullptr : found->second;
}

bool CHost::AddLink(const wxString& name, COrvLinkBase* link)
{
    // A notification that arrived while the new variable is subscribed would otherwise stall the receive thread
    // on the variables lock, and with it the answer this thread waits for.
    HoldAsync();
    const bool attached = AttachLink(name, link);
    ReleaseAsync();
    return attached;
}

bool CHost::AttachLink(const wxString& name, COrvLinkBase* link)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    const wxString key = name.Upper();
    if (CVariableRecord* record = FindRecord(key))
    {
        record->m_links.push_back(link);
        if (record->m_hasValue)
            link->OnValue(record->m_value);
        else
            link->OnNoValue();
        return true;
    }
    auto created = std::make_unique<CVariableRecord>(m_alias + ":" + name);
    CVariableRecord& record = *created;
    record.m_links.push_back(link);
    link->OnNoValue();
    m_vars.emplace_back(key, std::move(created));
    m_index.emplace(key, &record);
    if (LinkVariable(name, record))
        return true;
    m_index.erase(key);
    m_vars.pop_back();
    wxLogError("Can not get variable '%s' value", name);
    return false;
}

bool CHost::RemoveLink(const wxString& name, COrvLinkBase* link)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    CVariableRecord* record = FindRecord(name.Upper());
    if (!record)
        return false;
    auto& links = record->m_links;
    links.erase(std::remove(links.begin(), links.end(), link), links.end());
    return true;
}

void CHost::OnAsync(const wxString& line)
{
    static const wxString kLogout = wxS("LOGOUT ");
    if (line.StartsWith(kLogout))
    {
        wxLogWarning("Host %s has disconnected %s", m_alias, line.Mid(kLogout.length()));
        InvalidateAll();
        std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
        m_channel.GetClient().Disconnect();
        return;
    }
    // Every change of every subscribed variable comes through here: no more copies than needed, and the key is
    // built in a buffer that each delivering thread keeps.
    const size_t equals = line.find('=');
    static thread_local wxString key;
    key.assign(line, 0, equals == wxString::npos ? line.length() : equals);
    key.MakeUpper();
    std::lock_guard<std::mutex> guard(m_varsLock);
    CVariableRecord* record = FindRecord(key);
    if (!record)
    {
        LogVerbose4(wxS("ORV Async [%s]: %s unexpected"), m_alias, line);
        return;
    }
    if (equals == wxString::npos)
        record->m_value.clear();
    else
        record->m_value.assign(line, equals + 1, wxString::npos);
    record->m_hasValue = true;
    record->NotifyChange();
}

void CHost::InvalidateAll()
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    for (const auto& entry : m_vars)
        entry.second->Invalidate();
}
