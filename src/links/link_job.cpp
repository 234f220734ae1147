#include "links/link_job.h"

#include <wx/log.h>

#include "links/host.h"
#include "links/orv_link_var.h"

void CLinkJob::Fill()
{
    for (COrvLinkVar* link : m_links)
    {
        m_names.push_back(link->GetVariable());
        if (link->HasDynamicValue())
        {
            m_values.push_back(wxString());
            m_static = false;
        }
        else
            m_values.push_back(link->GetOnValue());
        if (link->HasValueOff())
        {
            m_namesOff.push_back(link->GetVariable());
            m_valuesOff.push_back(link->GetOffValue());
        }
    }
}

void CLinkJob::RefreshDynamicValues()
{
    for (std::size_t i = 0; i < m_links.size(); ++i)
    {
        if (!m_links[i]->HasDynamicValue())
            continue;
        if (!m_links[i]->GetRequestedValue(1, m_values[i]))
        {
            wxLogError("Can not get dynamic value for %s", m_names[i]);
            m_values[i].clear();
        }
    }
}

// The worker gets its own copies: the host upper-cases the names it is given.
std::function<bool()> CLinkJob::WriteWork(const std::vector<wxString>& names, const std::vector<wxString>& values) const
{
    CHost* host = m_host;
    return [host, copy = names, values]() mutable { return host->SetVarsValues(copy, values); };
}

std::function<bool()> CLinkJob::SwitchWork(int on)
{
    if (!m_names.empty() && on == 1)
    {
        if (!m_static)
            RefreshDynamicValues();
        return WriteWork(m_names, m_values);
    }
    if (!m_namesOff.empty() && on == 0)
        return WriteWork(m_namesOff, m_valuesOff);
    if (m_other)
    {
        COrvLinkBase* other = m_other;
        return [other, on] { return other->SetValue(on); };
    }
    return {};
}

std::function<bool()> CLinkJob::TextWork(const wxString& text)
{
    if (!m_names.empty())
        return WriteWork(m_names, std::vector<wxString>(m_names.size(), text));
    if (m_other)
    {
        COrvLinkBase* other = m_other;
        return [other, text] { return other->SetValueString(text); };
    }
    return {};
}
