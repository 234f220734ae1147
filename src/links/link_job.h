#pragma once
// CLinkJob: one unit of an action of a link set, carried out on a thread of its own (CJobPool). A job is either the
// variable links of one host, written together in one batch, or one other link (sequential, fixed or choice),
// which does its own writes. Jobs are built once when the link set reads its element and live with it.
//
// Thread contract: jobs are built and prepared on the GUI thread; the work they hand out only reads its own copies.
#include <functional>
#include <vector>

#include <wx/string.h>

class CHost;
class COrvLinkBase;
class COrvLinkVar;

class CLinkJob
{
public:
    // A job for the variable links of a host.
    explicit CLinkJob(CHost* host) : m_host(host) {}
    // A job for one other link.
    explicit CLinkJob(COrvLinkBase* other) : m_other(other) {}

    void AddLink(COrvLinkVar* link) { m_links.push_back(link); }
    // Fills names, values and the off arrays from the links, in order.
    void Fill();

    // The work of switching on (1) or off (0), or of writing a text; an empty function when the job has nothing
    // to do. Switching on reads the dynamic values now. GUI thread.
    std::function<bool()> SwitchWork(int on);
    std::function<bool()> TextWork(const wxString& text);

    CHost* GetHost() const { return m_host; }
    COrvLinkBase* GetOther() const { return m_other; }
    const std::vector<COrvLinkVar*>& GetLinks() const { return m_links; }
    bool IsStatic() const { return m_static; }
    const std::vector<wxString>& GetNames() const { return m_names; }
    const std::vector<wxString>& GetValues() const { return m_values; }
    const std::vector<wxString>& GetNamesOff() const { return m_namesOff; }
    const std::vector<wxString>& GetValuesOff() const { return m_valuesOff; }

private:
    void RefreshDynamicValues();
    std::function<bool()> WriteWork(const std::vector<wxString>& names, const std::vector<wxString>& values) const;

    CHost* const m_host = nullptr;
    std::vector<COrvLinkVar*> m_links;
    bool m_static = true;
    std::vector<wxString> m_names;
    std::vector<wxString> m_values;
    std::vector<wxString> m_namesOff;
    std::vector<wxString> m_valuesOff;
    COrvLinkBase* const m_other = nullptr;
};
