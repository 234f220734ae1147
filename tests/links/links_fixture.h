#pragma once
// Shared pieces of the links tests: documents from text, a recording link target, link sets over it, and an
// in-process device simulator that can be killed and restarted on the same port.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/xml/xml.h>

#include "device_server.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links/link_target.h"
#include "support/log_capture.h"

class COrvLinkBase;

namespace linktest
{
// The root element of a document given as text; null when it is not well-formed.
std::unique_ptr<wxXmlNode> ParseXml(const std::string& text);
// The index-th element of that name below root (depth first, root included); null when there is none.
wxXmlNode* FindElement(wxXmlNode* root, const wxString& name, int index = 0);

// A target that records its callbacks: "value" or "error", in order. Any thread.
class RecordingTarget : public CLinkTarget
{
public:
    void OnLinkValue() { Record("value"); }
    void OnLinkError() { Record("error"); }

    std::vector<std::string> Events() const;
    int Count(const std::string& event) const;
    void Clear();

private:
    void Record(const char* event);

    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
};

// A link set with a recording target, reading one element of a document.
class LinkedElement
{
public:
    explicit LinkedElement(CHostList* hosts) : m_set(hosts, &m_target)
    {
        m_set.SetCallbacks(&RecordingTarget::OnLinkValue, &RecordingTarget::OnLinkError);
    }
    int Init(wxXmlNode* element) { return m_set.Init(element); }
    CLinkSet& Set() { return m_set; }
    RecordingTarget& Target() { return m_target; }
    COrvLinkBase* Link(std::size_t index = 0) const { return m_set.GetLinks().at(index); }
    // The displayed text of the top-level links, or "<none>" when one has no value.
    std::string Text() const;

private:
    RecordingTarget m_target;
    CLinkSet m_set;
};

// Link sets read from small documents over a table of hosts. The link sets go before the hosts, the hosts before
// the log.
class LinkSetsTest : public testing::Test
{
protected:
    ~LinkSetsTest() override;
    // Loads the hosts of a `hosts` document.
    void LoadHosts(const std::string& document);
    // Reads the first `button` of the document (else its root) into a new link set; Init must give `expected`.
    LinkedElement& Read(const std::string& document, int expected = 0);
    // Reads links given as the children of a `button`.
    LinkedElement& ReadLinks(const std::string& links, int expected = 0)
    {
        return Read("<button>" + links + "</button>", expected);
    }

    orvtest::LogCapture m_log;
    CHostList m_hosts;
    std::vector<std::unique_ptr<wxXmlNode>> m_documents;
    std::vector<std::unique_ptr<LinkedElement>> m_elements;
};

// The value of a link as text, or "<none>".
std::string ValueOf(COrvLinkBase* link);

// A device simulator on a free loopback port, meters still.
class Simulator
{
public:
    explicit Simulator(const std::string& variables, devicesim::ServerOptions options = devicesim::ServerOptions());
    int Port() const { return m_server->Port(); }
    devicesim::DeviceModel& Model() { return m_model; }
    devicesim::DeviceServer& Server() { return *m_server; }
    // The device's current value of a variable.
    std::string Value(const std::string& name);
    // Stops the device (every session is closed) and starts it again on the same port.
    void Kill() { m_server->Stop(); }
    bool Restart();

private:
    devicesim::DeviceModel m_model;
    std::unique_ptr<devicesim::DeviceServer> m_server;
};

// "<hosts>" with one host element per (alias, port) on 127.0.0.1.
std::string HostsXml(const std::vector<std::pair<std::string, int>>& hosts);
}  // namespace linktest
