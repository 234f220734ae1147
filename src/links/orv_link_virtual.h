#pragma once
// COrvLinkVirtual: base of the computed links (fixed, choice, sequential), which never talk to a device
// themselves. By default they refuse writes and answer the device queries without a device: an empty range and
// "none" for the others.
#include "links/orv_link_base.h"

class COrvLinkVirtual : public COrvLinkBase
{
public:
    explicit COrvLinkVirtual(CLinkSet* linkSet) : COrvLinkBase(linkSet) {}

    bool SetValueString(const wxString&) override { return false; }
    bool SetValue(int) override { return false; }
    bool GetRange(wxString& text) override;
    bool GetChannels(wxString& text) override;
    bool GetDims(wxString& text) override;
    bool GetLogScale(wxString& text) override;
    bool GetStep(wxString& text) override;
};
