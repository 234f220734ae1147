#include "links/orv_link_base.h"

#include "links/link_set.h"

void COrvLinkBase::OnValue(const wxString&)
{
    SetValid(true);
}

void COrvLinkBase::OnNoValue()
{
    if (m_valid.exchange(false, std::memory_order_acq_rel))
        NotifyControl();
}

void COrvLinkBase::NotifyControl()
{
    if (m_linkSet)
        m_linkSet->Notify(this);
}
