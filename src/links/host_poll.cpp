// CHost: the poll cycle, which reads every poll-mode variable of the host in one batch.
#include "links/host.h"
#include "platform/log_levels.h"

void CHost::Poll()
{
    if (!EnsureConnected(true))
        return;
    const std::shared_ptr<const CPollList> list = TakePollList();
    if (!list)
        return;
    std::vector<wxString> answers;
    std::uint64_t session;
    const bool sent = ExchangeBatch(list->m_batch, list->m_names, answers, session);
    ApplyPollAnswers(*list, answers, sent);
    if (sent && answers.size() < list->m_names.size())
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
    answers.reserve(names.size());
    m_channel.WaitAnswers(names, answers);
    return true;
}

// The poll list, built when the subscriptions have changed since the last cycle; null when no variable is in poll
// mode.
std::shared_ptr<const CHost::CPollList> CHost::TakePollList()
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (!m_pollList)
    {
        auto list = std::make_shared<CPollList>();
        for (const auto& entry : m_vars)
        {
            if (!entry.second->m_linked || !entry.second->m_pollMode)
                continue;
            list->m_records.push_back(entry.second.get());
            list->m_names.push_back(entry.first);
            list->m_batch += entry.first + "?\n";
        }
        m_pollList = std::move(list);
    }
    if (m_pollList->m_records.empty())
        return nullptr;
    return m_pollList;
}

// Applies the answers read, in list order; the first variable without an answer loses its value.
void CHost::ApplyPollAnswers(const CPollList& list, const std::vector<wxString>& answers, bool sent)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (!sent)
    {
        LogVerbose4("Poll for %s failed", m_alias);
        for (CVariableRecord* record : list.m_records)
            record->Invalidate();
        return;
    }
    for (std::size_t i = 0; i < answers.size(); ++i)
    {
        CVariableRecord& record = *list.m_records[i];
        if (record.m_hasValue && record.m_value == answers[i])
            continue;
        record.m_value = answers[i];
        record.m_hasValue = true;
        record.NotifyChange();
    }
    if (answers.size() < list.m_records.size())
    {
        CVariableRecord& failed = *list.m_records[answers.size()];
        LogVerbose4("Poll for %s failed", failed.m_displayName);
        failed.Invalidate();
    }
}
