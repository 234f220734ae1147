// CHost: writing variables and sending free commands.
#include <wx/log.h>

#include "links/host.h"
#include "links/link_text.h"
#include "platform/log_levels.h"

namespace
{
bool HasLineBreak(const wxString& text)
{
    return text.find_first_of(wxS("\r\n")) != wxString::npos;
}
}  // namespace

// A line break would end the command early and send the rest as a second command whose answer would be taken for
// the answer of a later one.
bool CHost::RefuseLineBreaks(const wxString& name, const wxString& value)
{
    if (!HasLineBreak(name) && !HasLineBreak(value))
        return false;
    wxLogError("[%s] can not write %s: the name or the value holds a line break", m_alias, name);
    return true;
}

// Variables lock held.
void CHost::StoreWritten(CVariableRecord* record, const wxString& name, const wxString& value)
{
    if (!record)
    {
        LogVerbose4("[%s] SetVarValue for %s (not in hashmap)", m_alias, name);
        return;
    }
    record->m_value = value;
    record->m_hasValue = true;
    record->NotifyChange();
}

bool CHost::SetVarValue(const wxString& name, const wxString& value)
{
    if (RefuseLineBreaks(name, value))
        return false;
    EnsureConnected(false);
    CVariableRecord* record;
    {
        std::lock_guard<std::mutex> guard(m_varsLock);
        record = FindRecord(name.Upper());
    }
    wxString answer;
    bool exchanged;
    std::uint64_t session;
    {
        std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
        session = m_channel.GetClient().LoggedInConnection();
        exchanged = m_channel.RequestAndWait(name + wxS('=') + value, &answer);
    }
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (!exchanged)
    {
        LogVerbose4("[%s] SetVarValue for %s to %s failed", m_alias, name, value);
        if (record)
            record->Invalidate();
        DropSession(session);
        return false;
    }
    if (IsRefusal(answer))
    {
        LogVerbose4("[%s] SetVarValue for %s to %s error: %s", m_alias, name, value, answer);
        if (record)
        {
            // The control goes back to the value the device still has.
            record->Invalidate();
            record->NotifyChange();
        }
        return false;
    }
    StoreWritten(record, name, value);
    return true;
}

bool CHost::SetVarsValues(std::vector<wxString>& names, const std::vector<wxString>& values)
{
    if (names.size() != values.size())
        return false;
    if (names.empty())
        return true;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        if (RefuseLineBreaks(names[i], values[i]))
            return false;
    }
    EnsureConnected(false);
    std::vector<CVariableRecord*> records;
    wxString batch;
    {
        std::lock_guard<std::mutex> guard(m_varsLock);
        for (std::size_t i = 0; i < names.size(); ++i)
        {
            names[i].MakeUpper();
            records.push_back(FindRecord(names[i]));
            batch << names[i] << wxS('=') << values[i] << wxS('\n');
        }
    }
    std::vector<wxString> answers;
    std::uint64_t session;
    bool sent;
    {
        std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
        sent = ExchangeBatch(batch, names, answers, session);
    }
    const bool answered = ApplyWriteAnswers(records, names, values, answers, sent);
    if (sent && !answered)
        DropSession(session);
    return answered;
}

// Applies the answers of a batch of writes in index order: refused writes invalidate their variable only, a
// missing answer invalidates its variable and ends the walk. True when every answer came.
bool CHost::ApplyWriteAnswers(const std::vector<CVariableRecord*>& records, const std::vector<wxString>& names,
                              const std::vector<wxString>& values, const std::vector<wxString>& answers, bool sent)
{
    std::lock_guard<std::mutex> guard(m_varsLock);
    if (!sent)
    {
        LogVerbose4("SetVarsValues for %s failed send", m_alias);
        for (CVariableRecord* record : records)
        {
            if (record)
                record->Invalidate();
        }
        return false;
    }
    for (std::size_t i = 0; i < answers.size(); ++i)
    {
        if (!IsRefusal(answers[i]))
        {
            StoreWritten(records[i], names[i], values[i]);
            continue;
        }
        LogVerbose4("SetVarsValues for %s to %s failed: %s", names[i], values[i], answers[i].Mid(1));
        if (records[i])
            records[i]->Invalidate();
    }
    if (answers.size() == names.size())
        return true;
    LogVerbose4("SetVarsValues for %s failed answer", m_alias);
    if (CVariableRecord* missing = records[answers.size()])
        missing->Invalidate();
    return false;
}

bool CHost::SendCommand(const wxString& command, wxString& answer)
{
    std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
    if (!IsUsable())
        return false;
    wxString reply;
    if (!m_channel.RequestAndWait(command, &reply))
    {
        LogVerbose4("[%s] SendCommand %s failed", m_alias, command);
        m_channel.GetClient().Disconnect();
        return false;
    }
    if (IsRefusal(reply))
    {
        LogVerbose4("[%s] SendCommand %s failed", m_alias, command);
        return false;
    }
    answer = reply;
    return true;
}
