#pragma once
// COrvLinkBase: the interface between a control and a value. A variable link binds one device variable; the
// computed links (fixed, choice, sequential) derive their value from a constant or from other links. Every link
// belongs to one CLinkSet, which creates, owns and deletes it and tells the control when the link gets or loses a
// value.
//
// Results: the reads give a negative number when there is no value (a variable link without value, an unreadable
// nested link); the writes and the device queries give false.
//
// Thread contract: Init, the queries and destruction on the GUI thread; OnValue and OnNoValue on whichever thread
// changed the value (a host thread, a receive thread, a job worker), with the host's variables lock held; the
// reads on the GUI thread, on job workers, and from the control's callbacks.
#include <atomic>

#include <wx/string.h>

class CLinkSet;
class wxXmlNode;

class COrvLinkBase
{
public:
    explicit COrvLinkBase(CLinkSet* linkSet) : m_linkSet(linkSet) {}
    virtual ~COrvLinkBase() = default;
    COrvLinkBase(const COrvLinkBase&) = delete;
    COrvLinkBase& operator=(const COrvLinkBase&) = delete;

    // Reads the link element; negative on failure, with the reason in the error text where there is one.
    virtual int Init(wxXmlNode* element) = 0;
    // The bound value has a (new) value: the link becomes valid.
    virtual void OnValue(const wxString& value);
    // The bound value is lost: a valid link becomes invalid and the control is told.
    virtual void OnNoValue();
    // Writes the text; switches on (1) or off (0).
    virtual bool SetValueString(const wxString& text) = 0;
    virtual bool SetValue(int on) = 0;
    // The current value as text, as an integer, as a boolean.
    virtual int GetValue(wxString& value) = 0;
    virtual int GetInt(int& value) = 0;
    virtual int GetBool(bool& value) = 0;
    // What the device says about the variable: its range, number of channels, dimensions, logarithmic scale, step.
    virtual bool GetRange(wxString& text) = 0;
    virtual bool GetChannels(wxString& text) = 0;
    virtual bool GetDims(wxString& text) = 0;
    virtual bool GetLogScale(wxString& text) = 0;
    virtual bool GetStep(wxString& text) = 0;
    // Switching off writes a value.
    virtual bool HasValueOff() const { return false; }
    // Bound to a device variable (only COrvLinkVar).
    virtual bool IsVariable() const { return false; }

    const wxString& GetErrorText() const { return m_errorText; }
    // The link currently has a value. Any thread.
    bool IsValid() const { return m_valid.load(std::memory_order_acquire); }
    CLinkSet* GetLinkSet() const { return m_linkSet; }

protected:
    void SetValid(bool valid) { m_valid.store(valid, std::memory_order_release); }
    // Tells the control: its value callback when the link is valid, else its error callback.
    void NotifyControl();

    CLinkSet* const m_linkSet;  // not owned
    wxString m_errorText;       // why Init failed; GUI thread

private:
    std::atomic<bool> m_valid{false};
};
