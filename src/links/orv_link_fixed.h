#pragma once
// COrvLinkFixed: a link with a constant value, given by its `value` attribute. It is valid from Init on.
#include "links/orv_link_virtual.h"

class COrvLinkFixed : public COrvLinkVirtual
{
public:
    explicit COrvLinkFixed(CLinkSet* linkSet) : COrvLinkVirtual(linkSet) {}

    // Reads `value`, becomes valid and tells the control; 1.
    int Init(wxXmlNode* element) override;
    // The value; 1.
    int GetValue(wxString& value) override;
    // The value as a decimal integer; -1 with an error message when it is not one.
    int GetInt(int& value) override;
    // "0", "false" (any case) and the empty text are false, "1" and "true" (any case) are true; anything else is
    // -1 with an error message.
    int GetBool(bool& value) override;

private:
    wxString m_value;  // set by Init on the GUI thread, then only read
};
