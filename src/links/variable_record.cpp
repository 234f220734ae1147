#include "links/variable_record.h"

#include "links/orv_link_base.h"
#include "platform/log_levels.h"

void CVariableRecord::NotifyChange() const
{
    // Every value change of every variable passes here: the trace costs nothing unless the log lets it through.
    // The toolkit's level alone decides it here, without the lock of its full test, which the trace then makes.
    const bool trace = wxLog::GetLogLevel() >= LOG_VERBOSE5;
    if (!m_hasValue)
    {
        if (trace)
            LogVerbose5(wxS("ORV change for %s no value"), m_displayName);
        return;
    }
    if (trace)
        LogVerbose5(wxS("ORV change for %s to %s"), m_displayName, m_value);
    for (COrvLinkBase* link : m_links)
        link->OnValue(m_value);
}

void CVariableRecord::Invalidate() const
{
    for (COrvLinkBase* link : m_links)
        link->OnNoValue();
}
