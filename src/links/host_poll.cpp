// CHost: the poll cycle, which reads every poll-mode variable of the host in one batch.
#include "links/host.h"
#include "platform/log_levels.h"

void CHost::Poll()
{
    if (!EnsureConnected(true))
        return;
    PollList list;
    wxString batch;
    if (!TakePollList(list, batch))
        return;
    std::vector<wxString> names;
    for (const auto& entry : list)
        names.push_back(entry.second);
    std::vector<wxString> answers;
    std::uint64_t session;
    const bool sent = ExchangeBatch(batch, names, answers, session);
    ApplyPollAnswers(list, answers, sent);
    if (sent && answers.size() < list.size())
        DropSession(session);
}

// Sends a batch and reads one answer per command, in order, under the request lock; stops at the first answer that
// does not come. False when the batch could not be sent. session tells which connection the exchange used.
bool CHost::ExchangeBatch(const wxString& batch, const std::vector<wxString>& names, std::vector<wxString>& answers,
                          std::uint64_t& session)
{
    std::lock_guard<std::mutex> request(m_channel.GetRequestLock());
    session = m_channel.GetClient().LoggedInConnection();
    if (!m_channel.SendCommands(batch))
        return false;
    for (const wxString& name : names)
    {
        wxString answer;
        if (!m_channel.WaitAnswer(name, &answer))
            break;
        answers.push_back(answer);
    }
    return true;
}

// A copy of the poll list and its batch, built once after every change of the subscriptions. False when no
// variable is in poll mode.
bool CHost::TakePollList(PollList& list, wxString& batch)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (m_pollList.empty())
    {
        m_pollBatch.clear();
        for (const auto& entry : m_vars)
        {
            if (!entry.second->m_linked || !entry.second->m_pollMode)
                continue;
            m_pollList.emplace_back(entry.second.get(), entry.first);
            m_pollBatch += entry.first + "?\n";
        }
    }
    if (m_pollList.empty())
        return false;
    list = m_pollList;
    batch = m_pollBatch;
    return true;
}

// Applies the answers read, in list order; the first variable without an answer loses its value.
void CHost::ApplyPollAnswers(const PollList& list, const std::vector<wxString>& answers, bool sent)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (!sent)
    {
        LogVerbose4("Poll for %s failed", m_alias);
        for (const auto& entry : list)
            entry.first->Invalidate();
        return;
    }
    for (std::size_t i = 0; i < answers.size(); ++i)
    {
        CVariableRecord& record = *list[i].first;
        if (record.m_hasValue && record.m_value == answers[i])
            continue;
        record.m_value = answers[i];
        record.m_hasValue = true;
        record.NotifyChange();
    }
    if (answers.size() < list.size())
    {
        CVariableRecord& failed = *list[answers.size()].first;
        LogVerbose4("Poll for %s failed", failed.m_displayName);
        failed.Invalidate();
    }
}
