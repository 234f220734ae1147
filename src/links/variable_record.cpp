#include "links/variable_record.h"

#include "links/orv_link_base.h"
#include "platform/log_levels.h"

void CVariableRecord::NotifyChange() const
{
    if (!m_hasValue)
    {
        LogVerbose5("ORV change for %s no value", m_displayName);
        return;
    }
    LogVerbose5("ORV change for %s to %s", m_displayName, m_value);
    for (COrvLinkBase* link : m_links)
        link->OnValue(m_value);
}

void CVariableRecord::Invalidate() const
{
    for (COrvLinkBase* link : m_links)
        link->OnNoValue();
}
