#pragma once
// COrvLinkSequential: the links of a `seq` element, carried out one after the other in document order, stopping at
// the first that fails. Its job runs in one worker thread, so the order of its writes is the document's.
#include <vector>

#include "links/orv_link_virtual.h"

class COrvLinkSequential : public COrvLinkVirtual
{
public:
    explicit COrvLinkSequential(CLinkSet* linkSet) : COrvLinkVirtual(linkSet) {}

    // Creates the children: -1 when one fails, 1 when there was no `link` child, 0 otherwise.
    int Init(wxXmlNode* element) override;
    // Each child in order; the first false ends with false.
    bool SetValueString(const wxString& text) override;
    bool SetValue(int on) override;
    // The children's values joined by LF.
    int GetValue(wxString& value) override;
    // The first child's integer (0 without a child).
    int GetInt(int& value) override;
    // True unless a child is false.
    int GetBool(bool& value) override;
    // The first child's answers; false without a child.
    bool GetRange(wxString& text) override;
    bool GetChannels(wxString& text) override;
    bool GetDims(wxString& text) override;
    bool GetLogScale(wxString& text) override;
    bool GetStep(wxString& text) override;
    bool HasValueOff() const override;

    const std::vector<COrvLinkBase*>& GetChildren() const { return m_children; }

private:
    std::vector<COrvLinkBase*> m_children;  // owned by the link set
};
