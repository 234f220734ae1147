#pragma once
// CLinkSet: the links of one element of the panel (a control, a panel, a group, an info indicator). It reads the
// `link` and `seq` children of the element, owns every link created through it (nested ones included), tells its
// target when a link gets or loses a value, and carries out the target's actions (switch on, switch off, write a
// text) on all its top-level links, one thread per job, all at once (the calling thread carries one of them).
//
// Thread contract: construction, SetCallbacks, Init, Create, SetValue, SetValueString and destruction on the GUI
// thread (SetCallbacks before Init); Notify from any thread; GetValueString wherever links are read.
// The target's callbacks run under the process-wide link callback lock, never two at once; they may read links
// but must not write values, attach or detach variables, or wait for the GUI thread.
#include <memory>
#include <mutex>
#include <vector>

#include <wx/string.h>

#include "links/link_target.h"

class CHostList;
class CLinkJob;
class COrvLinkBase;
class wxXmlNode;

class CLinkSet
{
public:
    CLinkSet(CHostList* hosts, CLinkTarget* target);
    // Deletes every link, in creation order, and the jobs.
    ~CLinkSet();
    CLinkSet(const CLinkSet&) = delete;
    CLinkSet& operator=(const CLinkSet&) = delete;

    // The target's operations called when a link gets a value and when it loses it; either may be null.
    void SetCallbacks(CLinkTarget::Callback value, CLinkTarget::Callback error);
    template <class Target>
    void SetCallbacks(void (Target::*value)(), void (Target::*error)())
    {
        SetCallbacks(static_cast<CLinkTarget::Callback>(value), static_cast<CLinkTarget::Callback>(error));
    }

    // Reads the links of the element: 1 when it has no `link` or `seq` child at all, 0 when every link was
    // created, -1 when one failed (the links created before it are kept, later ones are not read).
    int Init(wxXmlNode* element);
    // Creates the link of a `link` element, appends it to list (when given) and stores it in where (when given):
    // 0 done (also for an unsupported type, which creates nothing), -1 when the link failed to initialise.
    int Create(wxXmlNode* element, std::vector<COrvLinkBase*>* list, COrvLinkBase** where);

    // Switches every top-level link on (1) or off (0); true when every job succeeded. Returns when every job has
    // ended.
    bool SetValue(int on);
    // Writes the same text to everything the element is linked to; true when every job succeeded.
    bool SetValueString(const wxString& text);

    // The values of the links joined by LF: 0, or -1 as soon as one link has no value.
    static int GetValueString(const std::vector<COrvLinkBase*>& links, wxString& text);

    // Calls the target's value callback when the link is valid, else its error callback, under the link callback
    // lock. Any thread.
    void Notify(COrvLinkBase* link);

    CHostList* GetHostList() const { return m_hosts; }
    const std::vector<COrvLinkBase*>& GetLinks() const { return m_links; }
    const std::vector<std::unique_ptr<CLinkJob>>& GetJobs() const { return m_jobs; }

private:
    int InitSequential(wxXmlNode* element);
    COrvLinkBase* MakeLink(const wxString& type);
    void Forget(COrvLinkBase* link, std::vector<COrvLinkBase*>* list);
    void BuildJobs();
    bool RunJobs(int on, const wxString* text);

    CHostList* const m_hosts;
    CLinkTarget* const m_target;
    CLinkTarget::Callback m_valueCallback = nullptr;        // guarded by the link callback lock
    CLinkTarget::Callback m_errorCallback = nullptr;        // guarded by the link callback lock
    std::vector<COrvLinkBase*> m_links;                     // top-level links, in document order
    std::vector<std::unique_ptr<COrvLinkBase>> m_allLinks;  // every link of the set, in creation order
    std::vector<std::unique_ptr<CLinkJob>> m_jobs;
};
