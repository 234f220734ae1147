#pragma once
// COrvLinkVar: a link bound to one variable of one host. It keeps the last value the host delivered, displays it
// through its `format`, tells whether the control is on (the device value equals `value`, or the current value of
// its dynamic value link), and writes `value` (or the dynamic value) when switched on and `valueoff` when switched
// off. Its attributes are inherited from the enclosing elements, so that a panel or a group can name the host of
// every link inside it.
#include <mutex>

#include "links/orv_link_base.h"

class CHost;

class COrvLinkVar : public COrvLinkBase
{
public:
    explicit COrvLinkVar(CLinkSet* linkSet) : COrvLinkBase(linkSet) {}
    // Detaches from the host.
    ~COrvLinkVar() override;

    int Init(wxXmlNode* element) override;
    // Stores the value and tells the control. Any thread, with the host's variables lock held.
    void OnValue(const wxString& value) override;
    bool SetValueString(const wxString& text) override;
    bool SetValue(int on) override;
    int GetValue(wxString& value) override;
    int GetInt(int& value) override;
    int GetBool(bool& value) override;
    bool GetRange(wxString& text) override;
    bool GetChannels(wxString& text) override;
    bool GetDims(wxString& text) override;
    bool GetLogScale(wxString& text) override;
    bool GetStep(wxString& text) override;
    bool HasValueOff() const override { return !m_valueOff.empty(); }
    bool IsVariable() const override { return true; }

    // What switching on (1) or off (0) writes: the dynamic value or `value` for on, `valueoff` for off. False
    // when there is nothing to write (no `valueoff`, an unreadable dynamic value, another argument).
    bool GetRequestedValue(int on, wxString& value);

    CHost* GetHost() const { return m_host; }
    const wxString& GetVariable() const { return m_variable; }
    const wxString& GetOnValue() const { return m_value; }
    const wxString& GetOffValue() const { return m_valueOff; }
    bool HasDynamicValue() const { return m_dynValue != nullptr; }

private:
    bool ReadChildren(wxXmlNode* element);
    bool CreateDynamicValue(wxXmlNode* dynvalue);
    bool Query(const wxString& kind, wxString& text);
    // The current value, under the state lock; false when the link has no value.
    bool Current(wxString& current) const;

    CHost* m_host = nullptr;  // not owned
    wxString m_variable;
    wxString m_value;
    wxString m_valueOff;
    wxString m_format;
    COrvLinkBase* m_dynValue = nullptr;  // owned by the link set

    mutable std::mutex m_stateLock;  // guards m_current
    wxString m_current;
};
