#include "links_fixture.h"

#include <gtest/gtest.h>
#include <wx/sstream.h>
#include <algorithm>

#include "links/orv_link_base.h"

namespace linktest
{
std::unique_ptr<wxXmlNode> ParseXml(const std::string& text)
{
    wxStringInputStream input(wxString::FromUTF8(text));
    wxXmlDocument document;
    if (!document.Load(input, "UTF-8", 0))
        return nullptr;
    return std::unique_ptr<wxXmlNode>(document.DetachRoot());
}

namespace
{
wxXmlNode* Find(wxXmlNode* node, const wxString& name, int& index)
{
    if (node->GetType() == wxXML_ELEMENT_NODE && node->GetName() == name && index-- == 0)
        return node;
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
    {
        if (wxXmlNode* found = Find(child, name, index))
            return found;
    }
    return nullptr;
}
}  // namespace

wxXmlNode* FindElement(wxXmlNode* root, const wxString& name, int index)
{
    return root ? Find(root, name, index) : nullptr;
}

void RecordingTarget::Record(const char* event)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(event);
}

std::vector<std::string> RecordingTarget::Events() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
}

int RecordingTarget::Count(const std::string& event) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(std::count(m_events.begin(), m_events.end(), event));
}

void RecordingTarget::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.clear();
}

std::string LinkedElement::Text() const
{
    wxString text;
    if (CLinkSet::GetValueString(m_set.GetLinks(), text) < 0)
        return "<none>";
    return std::string(text.utf8_str());
}

LinkSetsTest::~LinkSetsTest()
{
    m_elements.clear();
    m_hosts.Clear();
}

void LinkSetsTest::LoadHosts(const std::string& document)
{
    auto hosts = ParseXml(document);
    ASSERT_NE(hosts, nullptr) << document;
    m_hosts.Load(hosts.get());
}

LinkedElement& LinkSetsTest::Read(const std::string& document, int expected)
{
    m_documents.push_back(ParseXml(document));
    wxXmlNode* root = m_documents.back().get();
    EXPECT_NE(root, nullptr) << document;
    wxXmlNode* button = FindElement(root, "button");
    m_elements.push_back(std::make_unique<LinkedElement>(&m_hosts));
    EXPECT_EQ(m_elements.back()->Init(button ? button : root), expected) << document << "\n" << m_log.Dump();
    return *m_elements.back();
}

std::string ValueOf(COrvLinkBase* link)
{
    wxString value;
    if (link->GetValue(value) < 0)
        return "<none>";
    return std::string(value.utf8_str());
}

Simulator::Simulator(const std::string& variables, devicesim::ServerOptions options)
{
    std::string error;
    EXPECT_TRUE(m_model.Load(variables, error)) << error;
    options.meterPeriodMs = 0;
    m_server = std::make_unique<devicesim::DeviceServer>(m_model, options);
    EXPECT_TRUE(m_server->Start(error)) << error;
}

std::string Simulator::Value(const std::string& name)
{
    devicesim::VariableSpec spec;
    return m_model.Find(name, spec) ? spec.value : "<unknown>";
}

bool Simulator::Restart()
{
    std::string error;
    const bool started = m_server->Start(error);
    EXPECT_TRUE(started) << error;
    return started;
}

std::string HostsXml(const std::vector<std::pair<std::string, int>>& hosts)
{
    std::string text = "<hosts>";
    for (const auto& host : hosts)
        text += "<host alias=\"" + host.first + "\" host=\"127.0.0.1\" port=\"" + std::to_string(host.second) + "\"/>";
    return text + "</hosts>";
}
}  // namespace linktest
