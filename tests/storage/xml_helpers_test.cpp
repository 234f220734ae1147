#include "storage/xml_helpers.h"

#include <gtest/gtest.h>
#include <wx/sstream.h>

#include "storage/dir.h"
#include "storage/user_report.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace
{
std::unique_ptr<wxXmlNode> Parse(const std::string& text)
{
    wxStringInputStream input(wxString::FromUTF8(text));
    wxXmlDocument document;
    if (!document.Load(input, "UTF-8", 0))
        return nullptr;
    return std::unique_ptr<wxXmlNode>(document.DetachRoot());
}

// The tree as compact text: elements with their attributes, children in brackets.
std::string Shape(const wxXmlNode* node)
{
    std::string text(node->GetName().utf8_str());
    for (const wxXmlAttribute* a = node->GetAttributes(); a; a = a->GetNext())
    {
        if (a->GetName() != kFilePathAttribute)
            text += " " + std::string(a->GetName().utf8_str()) + "=" + std::string(a->GetValue().utf8_str());
    }
    std::string children;
    for (const wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() == wxXML_ELEMENT_NODE)
            children += (children.empty() ? "" : ",") + Shape(child);
    }
    return children.empty() ? text : text + "[" + children + "]";
}

class IncludeTest : public ::testing::Test
{
protected:
    IncludeTest() : m_dir(wxString::FromUTF8(m_temp.Path()))
    {
        m_previous = SetUserReport([this](ReportKind kind, const wxString& text) {
            EXPECT_EQ(kind, ReportKind::Error);
            m_reports.push_back(std::string(text.utf8_str()));
        });
    }
    ~IncludeTest() override { SetUserReport(m_previous); }

    // Expands the document and returns its shape ("" when the expansion failed).
    std::string Expand(const std::string& document)
    {
        m_root = Parse(document);
        EXPECT_TRUE(m_root);
        m_root->AddAttribute(kFilePathAttribute, m_temp.Sub("index.xml"));
        return ExpandIncludes(m_root.get(), m_dir) ? Shape(m_root.get()) : "";
    }

    orvtest::TempDir m_temp;
    orvtest::LogCapture m_log;
    CDir m_dir;
    std::unique_ptr<wxXmlNode> m_root;
    std::vector<std::string> m_reports;
    UserReportFunction m_previous;
};
}  // namespace

TEST_F(IncludeTest, FileElementsOfAnyCaseAreReplacedByTheIncludedRoot)
{
    m_temp.Write("a.xml", "<panel name='p'><row/></panel>");
    EXPECT_EQ(Expand("<application><file name='a.xml'/><File name='a.xml'/><FILE name='a.xml'/></application>"),
              "application[panel name=p[row],panel name=p[row],panel name=p[row]]");
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(IncludeTest, IncludedRootRecordsWhereItCameFrom)
{
    m_temp.Write("sub/a.xml", "<panel/>");
    ASSERT_EQ(Expand("<application><file name='sub\\a.xml'/></application>"), "application[panel]");
    EXPECT_EQ(m_root->GetChildren()->GetAttribute(kFilePathAttribute), wxString::FromUTF8(m_temp.Sub("sub/a.xml")));
}

TEST_F(IncludeTest, OtherAttributesOfTheIncludeAreHandedOnUnlessTheRootHasThem)
{
    m_temp.Write("a.xml", "<panel color='blue'/>");
    EXPECT_EQ(Expand("<application><file title='T' name='a.xml' color='red'/></application>"),
              "application[panel color=blue title=T color=red]");
    EXPECT_EQ(m_root->GetChildren()->GetAttribute("color"), "blue");
}

// A directory part moves the level's directory for all later includes beside it.
TEST_F(IncludeTest, LaterSiblingsResolveFromTheMovedDirectory)
{
    m_temp.Write("sub/a.xml", "<a/>");
    m_temp.Write("sub/b.xml", "<wrong/>");
    m_temp.Write("sub/sub/b.xml", "<b/>");
    EXPECT_EQ(Expand("<application><file name='sub/a.xml'/><file name='sub/b.xml'/></application>"),
              "application[a,b]");
}

TEST_F(IncludeTest, IncludesNestRelativeToTheIncludingFile)
{
    m_temp.Write("panels/main.xml", "<panel><group><file name='rows/r.xml'/></group></panel>");
    m_temp.Write("panels/rows/r.xml", "<row/>");
    // The move to panels/ also holds for the later sibling x and what it includes.
    m_temp.Write("panels/other.xml", "<panel name='other'/>");
    EXPECT_EQ(Expand("<application><file name='panels/main.xml'/><x><file name='other.xml'/></x></application>"),
              "application[panel[group[row]],x[panel name=other]]");
}

TEST_F(IncludeTest, AFailedIncludeIsReportedWithItsLocationAndStopsTheExpansion)
{
    m_temp.Write("broken.xml", "<panel><row></panel>");
    m_temp.Write("fine.xml", "<panel/>");
    const std::string index = m_temp.Sub("index.xml");
    const struct
    {
        const char* what;
        std::string document;
        std::string report;
    } cases[] = {
        {"not well-formed",
         "<application><panel><file name='broken.xml'/></panel><file name='fine.xml'/></application>",
         "Can not load file 'broken.xml' at " + index + "->application->panel->file"},
        {"missing", "<application><file name='none.xml'/></application>",
         "Can not load file 'none.xml' at " + index + "->application->file"},
        {"Name is not name", "<application><file Name='fine.xml'/></application>",
         "Can not load file '' at " + index + "->application->file"},
        {"missing directory", "<application><file name='no/fine.xml'/></application>",
         "Can not load file 'no/fine.xml' at " + index + "->application->file"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_reports.clear();
        EXPECT_EQ(Expand(c.document), "");
        EXPECT_EQ(m_reports, std::vector<std::string>{c.report});
    }
    EXPECT_TRUE(m_log.Contains("XML parsing error", wxLOG_Error)) << m_log.Dump();
}

TEST_F(IncludeTest, AFileThatIncludesItselfFailsInsteadOfRecursing)
{
    m_temp.Write("index.xml", "<application><file name='index.xml'/></application>");
    m_temp.Write("a.xml", "<a><file name='b.xml'/></a>");
    m_temp.Write("b.xml", "<b><file name='a.xml'/></b>");
    for (const char* document :
         {"<application><file name='index.xml'/></application>", "<application><file name='a.xml'/></application>"})
    {
        m_log.Clear();
        EXPECT_EQ(Expand(document), "");
        EXPECT_TRUE(m_log.Contains("includes itself", wxLOG_Error)) << m_log.Dump();
    }
}

TEST(NodeLocation, NamesTheNearestFileAndTheElementChain)
{
    auto root = Parse("<application><panel><row><button/></row></panel>text</application>");
    root->AddAttribute(kFilePathAttribute, "/proj/index.xml");
    wxXmlNode* button = root->GetChildren()->GetChildren()->GetChildren();
    EXPECT_EQ(NodeLocation(button), "/proj/index.xml->application->panel->row->button");
    EXPECT_EQ(NodeLocation(root->GetChildren()->GetNext()), "/proj/index.xml->application->(not an element)");
    button->AddAttribute(kFilePathAttribute, "/proj/b.xml");
    EXPECT_EQ(NodeLocation(button), "/proj/b.xml->button");
    EXPECT_EQ(NodeLocation(Parse("<style><font/></style>")->GetChildren()), "style->font");
}

TEST(Attributes, InheritedLookupClimbsOnlyWhenAsked)
{
    auto root = Parse("<a host='h1' pwd=''><b><c host='h3'/><d/></b></a>");
    const wxXmlNode* b = root->GetChildren();
    const wxXmlNode* c = b->GetChildren();
    const wxXmlNode* d = c->GetNext();
    EXPECT_EQ(GetInheritedAttribute(c, "host", "x", true), "h3");
    EXPECT_EQ(GetInheritedAttribute(d, "host", "x", true), "h1");
    EXPECT_EQ(GetInheritedAttribute(d, "host", "x", false), "x");
    EXPECT_EQ(GetInheritedAttribute(d, "pwd", "x", true), "");
    EXPECT_EQ(GetInheritedAttribute(d, "none", "x", true), "x");
}

TEST(Attributes, FindChildElementMatchesExactlyAndOnlyChildren)
{
    auto root = Parse("<a>text<Font/><font id='1'/><x><font/></x><font id='2'/></a>");
    const wxXmlNode* found = FindChildElement(root.get(), "font");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetAttribute("id"), "1");
    EXPECT_EQ(FindChildElement(root.get(), "row"), nullptr);
}

TEST(Attributes, MergeReplacesSameNamedAttributes)
{
    auto source = Parse("<s color='red' size='3'/>");
    auto target = Parse("<t color='blue' name='n'/>");
    MergeAttributes(source.get(), target.get());
    EXPECT_EQ(Shape(target.get()), "t name=n color=red size=3");
}

TEST(Attributes, AttributeToIntAcceptsOnlyPlainDecimalIntegers)
{
    orvtest::LogCapture log;
    const struct
    {
        const char* text;
        int expected;  // -99 is the fallback
    } cases[] = {
        {"12", 12},
        {" 12", 12},
        {"-5", -5},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"12px", -99},
        {"1.5", -99},
        {"", -99},
        {"12 ", -99},
        {"2147483648", -99},
        {"-", -99},
        {"0x10", -99},
        {"99999999999999999999", -99},
    };
    for (const auto& c : cases)
    {
        log.Clear();
        EXPECT_EQ(AttributeToInt(c.text, -99), c.expected) << c.text;
        EXPECT_EQ(log.Contains("value " + std::string(c.text) + " can not be computed", wxLOG_Error), c.expected == -99)
            << c.text;
    }
}
