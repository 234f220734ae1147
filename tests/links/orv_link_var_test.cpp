#include "links/orv_link_var.h"

#include <gtest/gtest.h>

#include "links/host.h"
#include "links/host_list.h"
#include "links_fixture.h"
#include "support/log_capture.h"

namespace
{
using linktest::FindElement;
using linktest::LinkedElement;
using linktest::ParseXml;

// Two hosts that are never started: links attach to them, values are handed in as the device would send them.
class VariableLink : public linktest::LinkSetsTest
{
protected:
    VariableLink() { LoadHosts("<hosts><host alias='A'/><host alias='B'/></hosts>"); }

    COrvLinkVar* Variable(LinkedElement& element, std::size_t index = 0)
    {
        return dynamic_cast<COrvLinkVar*>(element.Link(index));
    }
    void Deliver(const char* host, const char* line) { m_hosts.FindHost(host)->OnAsync(line); }
};

TEST_F(VariableLink, AttributesAreInheritedFromPanelAndGroup)
{
    struct Case
    {
        const char* document;
        const char* host;
        const char* format;
    };
    const Case cases[] = {
        {"<panel host='A'><row><button><link variable='X'/></button></row></panel>", "A", ""},
        {"<panel host='A'><group host='B'><button><link variable='X'/></button></group></panel>", "B", ""},
        {"<panel host='B'><button><link host='A' variable='X'/></button></panel>", "A", ""},
        {"<panel host='A' format='%VALUE% dB'><group format='[%VALUE%]'><button><link variable='X'/></button>"
         "</group></panel>",
         "A", "[5]"},
    };
    for (const Case& c : cases)
    {
        LinkedElement& element = Read(c.document);
        COrvLinkVar* link = Variable(element);
        ASSERT_NE(link, nullptr) << c.document;
        EXPECT_EQ(link->GetHost()->GetAlias(), c.host) << c.document;
        if (*c.format)
        {
            Deliver(c.host, "X=5");
            EXPECT_EQ(element.Text(), c.format) << c.document;
        }
    }
}

TEST_F(VariableLink, FormatReplacesEveryValueMark)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "3"},
        {"Gain %VALUE% dB", "Gain 3 dB"},
        {"%VALUE%/%VALUE%", "3/3"},
        {"no mark", "no mark"},
    };
    for (const auto& [format, shown] : cases)
    {
        LinkedElement& element =
            Read(std::string("<button><link host='A' variable='GAIN' format='") + format + "'/></button>");
        Deliver("A", "GAIN=3");
        EXPECT_EQ(element.Text(), shown) << "format '" << format << "'";
    }
}

TEST_F(VariableLink, OnMeansTheDeviceValueEqualsValueWithoutRegardToCase)
{
    struct Case
    {
        const char* value;
        const char* device;
        int asInt;
    };
    const Case cases[] = {{"ON", "on", 1}, {"ON", "ON", 1}, {"ON", "OFF", 0}, {"ON", "ON ", 0}, {"", "", 1}};
    for (const Case& c : cases)
    {
        LinkedElement& element =
            Read(std::string("<button><link host='A' variable='SW' value='") + c.value + "'/></button>");
        Deliver("A", (std::string("SW=") + c.device).c_str());
        int asInt = -1;
        bool asBool = false;
        EXPECT_EQ(element.Link()->GetInt(asInt), 0);
        EXPECT_EQ(element.Link()->GetBool(asBool), 0);
        EXPECT_EQ(asInt, c.asInt) << c.value << " / " << c.device;
        EXPECT_EQ(asBool, c.asInt == 1) << c.value << " / " << c.device;
    }
}

TEST_F(VariableLink, WithoutValueEveryReadFailsAndTheControlIsTold)
{
    LinkedElement& element = Read("<button><link host='A' variable='SW' value='1'/></button>");
    COrvLinkBase* link = element.Link();
    wxString text;
    int number;
    bool flag;
    EXPECT_LT(link->GetValue(text), 0);
    EXPECT_LT(link->GetInt(number), 0);
    EXPECT_LT(link->GetBool(flag), 0);
    EXPECT_FALSE(link->GetRange(text)) << "no device is asked without a value";
    EXPECT_TRUE(element.Target().Events().empty()) << "a link starts without value, it does not lose one";

    Deliver("A", "SW=1");
    m_hosts.FindHost("A")->InvalidateAll();
    m_hosts.FindHost("A")->InvalidateAll();
    EXPECT_EQ(element.Target().Events(), (std::vector<std::string>{"value", "error"}));
    EXPECT_LT(link->GetValue(text), 0);
}

TEST_F(VariableLink, SecondLinkOfAKnownVariableGetsItsValueAtOnce)
{
    LinkedElement& first = Read("<button><link host='A' variable='Gain'/></button>");
    Deliver("A", "GAIN=-3");
    LinkedElement& second = Read("<button><link host='A' variable='GAIN'/></button>");
    EXPECT_EQ(second.Text(), "-3");
    EXPECT_EQ(second.Target().Events(), std::vector<std::string>{"value"});
    Deliver("A", "gain=4");
    EXPECT_EQ(first.Text(), "4");
    EXPECT_EQ(second.Text(), "4");
}

TEST_F(VariableLink, DynamicValueReplacesValueWhenSwitchingOn)
{
    LinkedElement& element = Read(
        "<button><link host='A' variable='DST' value='1'>"
        "<dynvalue><link type='fixed' value='12'/></dynvalue>"
        "<dynvalue><link type='fixed' value='13'/></dynvalue>"
        "<label/>"
        "</link></button>");
    COrvLinkVar* link = Variable(element);
    wxString requested;
    ASSERT_TRUE(link->GetRequestedValue(1, requested));
    EXPECT_EQ(requested, "12");
    EXPECT_FALSE(link->GetRequestedValue(0, requested)) << "no valueoff";
    EXPECT_FALSE(link->GetRequestedValue(2, requested));
    EXPECT_FALSE(link->SetValue(0)) << "switching off without valueoff writes nothing";

    bool on = false;
    Deliver("A", "DST=12");
    ASSERT_EQ(link->GetBool(on), 0);
    EXPECT_TRUE(on) << "the control is on when the device holds the dynamic value";
    Deliver("A", "DST=1");
    ASSERT_EQ(link->GetBool(on), 0);
    EXPECT_FALSE(on);

    EXPECT_EQ(m_log.Count("Unexpected 'dynvalue' tag in variable link (already defined) at button->link->dynvalue ",
                          wxLOG_Warning),
              1)
        << m_log.Dump();
    EXPECT_EQ(m_log.Count("Unexpected 'label' tag in variable link at button->link->label ", wxLOG_Warning), 1);
}

TEST_F(VariableLink, InitFailuresAreReportedAndStopTheSet)
{
    struct Case
    {
        const char* document;
        const char* message;
        int result;
    };
    const Case cases[] = {
        {"<button><link/></button>", "Link type 'variable' failed init: Missing variable", -1},
        {"<button><link host='Z' variable='X'/></button>", "Link type 'variable' failed init: Bad host 'Z'", -1},
        {"<button><link variable='X'/></button>", "Link type 'variable' failed init: Missing host property", -1},
        {"<button><link host='A' variable='X'><dynvalue><link host='Z'/></dynvalue></link></button>",
         "Can not create link at button->link->dynvalue->link", -1},
        {"<button><link type='Variable' host='A' variable='X'/></button>", "Link type 'Variable' is unsupported", 0},
    };
    for (const Case& c : cases)
    {
        m_log.Clear();
        LinkedElement& element = Read(c.document, c.result);
        EXPECT_TRUE(element.Set().GetLinks().empty()) << c.document;
        EXPECT_EQ(m_log.Count(c.message), 1) << c.document << "\n" << m_log.Dump();
    }

    LinkedElement& element =
        Read("<button><link host='A' variable='ONE'/><link host='A'/><link host='A' variable='THREE'/></button>", -1);
    ASSERT_EQ(element.Set().GetLinks().size(), 1u) << "links before the failure are kept, later ones not read";
    EXPECT_EQ(Variable(element)->GetVariable(), "ONE");
}

TEST_F(VariableLink, DestroyedLinksAreDetachedFromTheirHost)
{
    auto element = std::make_unique<LinkedElement>(&m_hosts);
    auto document = ParseXml("<button><link host='A' variable='GAIN'/></button>");
    ASSERT_EQ(element->Init(document.get()), 0);
    element.reset();
    Deliver("A", "GAIN=1");  // reaches no link any more
    LinkedElement& later = Read("<button><link host='A' variable='GAIN'/></button>");
    EXPECT_EQ(later.Text(), "1") << "the record stays with its value";
}
}  // namespace
