#include "links/orv_link_choice.h"

#include <gtest/gtest.h>

#include "links/host.h"
#include "links/host_list.h"
#include "links_fixture.h"
#include "support/log_capture.h"

namespace
{
using linktest::LinkedElement;
using linktest::ParseXml;
using Node = COrvLinkChoice::CLogicNode;

// A link whose boolean is fixed by the test and that counts how often it is read.
class CountingLink : public COrvLinkVirtual
{
public:
    explicit CountingLink(int result, bool value = false) : COrvLinkVirtual(nullptr), m_result(result), m_value(value)
    {
    }
    int Init(wxXmlNode*) override { return 0; }
    int GetValue(wxString&) override { return m_result; }
    int GetInt(int&) override { return m_result; }
    int GetBool(bool& value) override
    {
        ++m_reads;
        value = m_value;
        return m_result;
    }

    int m_reads = 0;

private:
    const int m_result;
    const bool m_value;
};

struct ShortCircuitCase
{
    const char* name;
    Node::Kind kind;
    int firstResult;
    bool firstValue;
    int expected;
    int secondReads;
};

class ShortCircuit : public testing::TestWithParam<ShortCircuitCase>
{
};

TEST_P(ShortCircuit, ChildrenAfterTheDecidingOneAreNotRead)
{
    const ShortCircuitCase& c = GetParam();
    CountingLink first(c.firstResult, c.firstValue);
    CountingLink second(0, !c.firstValue);
    Node node(c.kind);
    node.Add(std::make_unique<Node>(Node::kLink, &first));
    node.Add(std::make_unique<Node>(Node::kLink, &second));
    EXPECT_EQ(node.Evaluate(), c.expected);
    EXPECT_EQ(first.m_reads, 1);
    EXPECT_EQ(second.m_reads, c.secondReads);
}

INSTANTIATE_TEST_SUITE_P(Trees, ShortCircuit,
                         testing::Values(ShortCircuitCase{"OrFirstTrue", Node::kOr, 0, true, 1, 0},
                                         ShortCircuitCase{"OrFirstFalse", Node::kOr, 0, false, 1, 1},
                                         ShortCircuitCase{"AndFirstFalse", Node::kAnd, 0, false, 0, 0},
                                         ShortCircuitCase{"AndFirstTrue", Node::kAnd, 0, true, 0, 1},
                                         ShortCircuitCase{"OrFirstError", Node::kOr, -1, false, -1, 0},
                                         ShortCircuitCase{"AndFirstError", Node::kAnd, -3, true, -3, 0}),
                         [](const testing::TestParamInfo<ShortCircuitCase>& info) { return info.param.name; });

TEST(LogicNode, EmptyAndIsTrueEmptyOrIsFalse)
{
    EXPECT_EQ(Node(Node::kAnd).Evaluate(), 1);
    EXPECT_EQ(Node(Node::kOr).Evaluate(), 0);
}

// Choice links over a host that is never started; values are handed in as the device would send them.
class ChoiceLink : public linktest::LinkSetsTest
{
protected:
    ChoiceLink() { LoadHosts("<hosts><host alias='A'/></hosts>"); }
    LinkedElement& Read(const std::string& links, int expected = 0) { return ReadLinks(links, expected); }
    void Deliver(const char* line) { m_hosts.FindHost("A")->OnAsync(line); }
};

TEST_F(ChoiceLink, FirstChoiceWhoseTestHoldsGivesTheValue)
{
    LinkedElement& element = Read(
        "<link type='choice'>"
        "<choice><when><link variable='MODE' value='live'/></when><link type='fixed' value='On air'/></choice>"
        "<choice><link type='fixed' value='A'/><link type='fixed' value='B'/></choice>"
        "</link>");
    Deliver("MODE=rehearsal");
    EXPECT_EQ(element.Text(), "A\nB");
    Deliver("MODE=LIVE");
    EXPECT_EQ(element.Text(), "On air");
    m_hosts.FindHost("A")->InvalidateAll();
    EXPECT_EQ(element.Text(), "<none>") << "a test over an unreadable link is an error, not a silent false";
}

TEST_F(ChoiceLink, NestedTestsAndEmptyWhen)
{
    LinkedElement& element = Read(
        "<link type='choice'>"
        "<choice><when><or><link type='fixed' value='0'/><and><link type='fixed' value='1'/>"
        "<link type='fixed' value='true'/></and></or></when><link type='fixed' value='nested'/></choice>"
        "<choice><when/><link type='fixed' value='never'/></choice>"
        "</link>");
    EXPECT_EQ(element.Text(), "nested");

    LinkedElement& empty =
        Read("<link type='choice'><choice><when/><link type='fixed' value='always'/></choice></link>");
    EXPECT_EQ(empty.Text(), "always");
}

TEST_F(ChoiceLink, NoChoiceHoldsIsAnErrorMessageButNotAnErrorResult)
{
    LinkedElement& element = Read(
        "<link type='choice'><choice><when><link type='fixed' value='0'/></when>"
        "<link type='fixed' value='7'/></choice></link>");
    COrvLinkBase* link = element.Link();
    wxString text = "x";
    int number = -1;
    bool flag = true;
    EXPECT_EQ(link->GetValue(text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(link->GetInt(number), 0);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(link->GetBool(flag), 0);
    EXPECT_FALSE(flag);
    EXPECT_EQ(m_log.Count("Link Choice has no valid choice !", wxLOG_Error), 3) << m_log.Dump();
}

TEST_F(ChoiceLink, IntegerAndBooleanOfTheSelectedChoice)
{
    struct Case
    {
        const char* results;
        int asInt;
        bool asBool;
    };
    const Case cases[] = {
        {"<link type='fixed' value='7'/><link type='fixed' value='1'/>", 7, false /* 7 is not a boolean */},
        {"<link type='fixed' value='1'/><link type='fixed' value='0'/>", 1, false},
        {"<link type='fixed' value='1'/><link type='fixed' value='true'/>", 1, true},
        {"", 0, true},
    };
    for (const Case& c : cases)
    {
        LinkedElement& element = Read(std::string("<link type='choice'><choice>") + c.results + "</choice></link>");
        int number = -1;
        bool flag = !c.asBool;
        EXPECT_EQ(element.Link()->GetInt(number), 1) << c.results;
        EXPECT_EQ(number, c.asInt) << c.results;
        const int boolResult = element.Link()->GetBool(flag);
        if (c.asInt == 7)
        {
            EXPECT_EQ(boolResult, -1) << "an unreadable result link fails the read";
            continue;
        }
        EXPECT_EQ(boolResult, 1) << c.results;
        EXPECT_EQ(flag, c.asBool) << c.results;
    }
}

TEST_F(ChoiceLink, ReadingProblems)
{
    Read(
        "<link type='choice'><choice><when><link type='fixed' value='1'/></when>"
        "<when><link type='fixed' value='0'/></when><link type='fixed' value='x'/><note/></choice>"
        "<extra/></link>");
    EXPECT_EQ(m_log.Count("Choice can have only 1 when. discarding", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_log.Count("Link Choice: unexpected node note at button->link->choice->note", wxLOG_Warning), 1);
    EXPECT_EQ(m_log.Count("Unexpected 'extra' tag in choice link at button->link->extra ", wxLOG_Warning), 1);

    m_log.Clear();
    Read("<link type='choice'><when/></link>", -1);
    EXPECT_EQ(m_log.Count("Link Choice needs at least one choice !", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_log.Count("Link type 'choice' failed init", wxLOG_Error), 1) << m_log.Dump();

    m_log.Clear();
    Read("<link type='choice'><choice><when><xor/></when><link type='fixed' value='x'/></choice></link>");
    EXPECT_EQ(m_log.Count("Link Boolean: unexpected node xor at button->link->choice->when->xor", wxLOG_Warning), 1);
}

TEST_F(ChoiceLink, FailingChoiceIsDroppedAndTheLastChoiceDecides)
{
    LinkedElement& kept = Read(
        "<link type='choice'><choice><when><link variable=''/></when><link type='fixed' value='bad'/></choice>"
        "<choice><link type='fixed' value='fallback'/></choice></link>");
    EXPECT_EQ(kept.Text(), "fallback");

    Read(
        "<link type='choice'><choice><link type='fixed' value='good'/></choice>"
        "<choice><link variable=''/></choice></link>",
        -1);
}
}  // namespace
