#pragma once
// CVariableRecord: one device variable of a host as the links use it: whether the device knows it (subscribed, or
// read by polling), its last value and the links attached to it. Owned by its host and never deleted before it.
//
// Thread contract: every field is guarded by the host's variables lock, and both operations run with it held.
#include <vector>

#include <wx/string.h>

class COrvLinkBase;

struct CVariableRecord
{
    explicit CVariableRecord(const wxString& displayName) : m_displayName(displayName) {}

    // Logs the change and hands the value to every link, in order; a record without a value only logs.
    void NotifyChange() const;
    // Tells every link that the value is gone.
    void Invalidate() const;

    bool m_linked = false;    // the device knows it: subscribed, or in poll mode
    bool m_pollMode = true;   // the device refused the subscription; read by polling
    bool m_hasValue = false;  // m_value is valid
    wxString m_value = "*$!/";
    std::vector<COrvLinkBase*> m_links;  // not owned
    const wxString m_displayName;        // alias ":" name as first used, for messages
};
