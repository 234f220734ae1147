#include "theme/style_registry.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/test_data.h"
#include "theme/theme_fixture.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::RootsForTest;
using themetest::ThemeFiles;

namespace
{
// The errors logged, less the XML reader's own parse-error lines.
std::vector<std::string> Errors(const orvtest::LogCapture& log)
{
    std::vector<std::string> errors;
    for (const orvtest::CapturedLog& record : log.Records())
    {
        if (record.level == wxLOG_Error && record.text.rfind("XML parsing error", 0) != 0)
            errors.push_back(record.text);
    }
    return errors;
}

wxString Attribute(const wxXmlNode* node, const char* name)
{
    return node ? node->GetAttribute(name, "(absent)") : "(no node)";
}

std::vector<std::string> ChildNames(const wxXmlNode* node)
{
    std::vector<std::string> names;
    for (const wxXmlNode* child = node ? node->GetChildren() : nullptr; child; child = child->GetNext())
        names.push_back(std::string(child->GetName().utf8_str()));
    return names;
}

// The fixture themes: "derived" is built on "base"; both lie under THEME.
class DerivedTheme : public testing::Test
{
protected:
    void SetUp() override
    {
        const CDir themes(wxString::FromUTF8(orvtest::DataPath("theme/themes")));
        m_registry.LoadStyleDirectory(themes.GetDir("derived"));
    }

    RootsForTest m_roots{{{"THEME", orvtest::DataPath("theme/themes")}}};
    orvtest::LogCapture m_log;
    CStyleRegistry m_registry;
};

TEST_F(DerivedTheme, OnlyTheFailedRedefinitionIsReported)
{
    EXPECT_EQ(Errors(m_log),
              (std::vector<std::string>{"Bad colour no such colour", "Failed to create Background gone"}));
}

TEST_F(DerivedTheme, BackgroundsMergeSlotBySlot)
{
    const CBackground& frame = m_registry.GetBackground("frame");
    EXPECT_EQ(PixelAt(frame.GetSlotImage(CBackground::TL), 0, 0), (Px{0, 0, 255, -1}));
    EXPECT_EQ(PixelAt(frame.GetSlotImage(CBackground::T), 0, 0), (Px{0, 255, 0, -1}));
    EXPECT_EQ(PixelAt(frame.GetSlotImage(CBackground::M), 0, 0), (Px{0, 0, 255, -1}));
}

TEST_F(DerivedTheme, FailedRedefinitionRemovesTheBaseDefinition)
{
    m_log.Clear();
    EXPECT_TRUE(m_registry.GetBackground("gone").IsEmpty());
    EXPECT_EQ(Errors(m_log), std::vector<std::string>{"Background gone does not exist"});
}

TEST_F(DerivedTheme, FontsMergeAttributeByAttribute)
{
    const CFont* label = m_registry.GetFont("label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetPointSize(), 14);
    EXPECT_EQ(label->GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(label->GetTextColour(), wxColour(0x10, 0x20, 0x30));
    // an element spelled FONT is a font definition, not a style entry
    ASSERT_NE(m_registry.GetFont("title"), nullptr);
    EXPECT_EQ(m_registry.GetFont("title")->GetPointSize(), 20);
    EXPECT_EQ(m_registry.GetStyle("FONT"), nullptr);
}

TEST_F(DerivedTheme, LedsMergeValueByValue)
{
    const CLedStyle* state = m_registry.GetLedStyle("state");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(PixelAt(state->GetImage("1"), 0, 0), (Px{0, 0, 250, -1}));
    EXPECT_EQ(PixelAt(state->GetImage("0"), 0, 0), (Px{40, 40, 40, -1}));
    EXPECT_EQ(PixelAt(state->GetImage("7"), 0, 0), (Px{200, 200, 0, -1}));
    EXPECT_EQ(state->GetPosX(), 3);
    EXPECT_EQ(state->GetPosY(), 7);
}

TEST_F(DerivedTheme, StyleEntriesMergeAttributesAndKeepTheirChildren)
{
    const wxXmlNode* button = m_registry.GetStyle("button");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(Attribute(button, "height"), "40");
    EXPECT_EQ(Attribute(button, "width"), "120");
    EXPECT_EQ(Attribute(button, "label"), "x");
    EXPECT_EQ(ChildNames(button), std::vector<std::string>{"caption"});
    // BUTTON is an entry of its own
    EXPECT_EQ(Attribute(m_registry.GetStyle("BUTTON"), "height"), "99");
}

TEST_F(DerivedTheme, IncludedFileIsAnEntryAndMovesTheDirectory)
{
    const wxXmlNode* status = m_registry.GetStyle("status");
    EXPECT_EQ(Attribute(status, "height"), "30");
    EXPECT_EQ(Attribute(status, "kind"), "included");
    EXPECT_TRUE(Attribute(status, "_vk_file_path_").EndsWith("parts/status.xml"));
    // "local" is found in parts/, the directory the include moved to
    EXPECT_EQ(PixelAt(m_registry.GetBackground("local").GetSlotImage(CBackground::M), 0, 0), (Px{128, 128, 128, -1}));
}

TEST_F(DerivedTheme, InfoStyleComesFromTheBase)
{
    const CInfoStyle* info = m_registry.GetInfoStyle();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetTextFont(), m_registry.GetFont("label"));
    ASSERT_NE(info->GetLed("dot"), nullptr);
    const CVuStyle* vu = info->GetVuStyle();
    ASSERT_NE(vu, nullptr);
    EXPECT_EQ(vu->GetLabelFont(), m_registry.GetFont("label"));
    EXPECT_EQ(vu->GetLabelPosition(), CVuStyle::LABEL_TOP_LEFT);
    ASSERT_NE(vu->GetLed("vu"), nullptr);
    // the VU background is the base's frame as it was when the info was read
    EXPECT_EQ(PixelAt(vu->GetSlotImage(CBackground::M), 0, 0), (Px{255, 0, 0, 128}));
    EXPECT_EQ(vu->GetLeftTop(), wxSize(0, 1));
}

TEST(StyleRegistryLookup, MissingKeysLogAndGiveFallbacks)
{
    orvtest::LogCapture log;
    CStyleRegistry registry;
    EXPECT_TRUE(registry.GetBackground("").IsEmpty());
    EXPECT_EQ(registry.GetFont(""), nullptr);
    EXPECT_EQ(registry.GetLedStyle(""), nullptr);
    EXPECT_TRUE(Errors(log).empty());
    EXPECT_EQ(registry.GetStyle("button"), nullptr);
    EXPECT_EQ(&registry.GetBackground("sky"), &CStyleRegistry::EmptyBackground());
    EXPECT_EQ(registry.GetFont("big"), nullptr);
    EXPECT_EQ(registry.GetLedStyle("red"), nullptr);
    EXPECT_EQ(registry.GetInfoStyle(), nullptr);
    EXPECT_EQ(Errors(log), (std::vector<std::string>{"Style button not found", "Background sky does not exist",
                                                     "Font big does not exist", "Led red does not exist"}));
}

TEST(StyleRegistryGlobal, CreateOnceThenDestroy)
{
    EXPECT_EQ(CStyleRegistry::Get(), nullptr);
    CStyleRegistry* registry = CStyleRegistry::Create();
    EXPECT_EQ(CStyleRegistry::Create(), registry);
    EXPECT_EQ(CStyleRegistry::Get(), registry);
    CStyleRegistry::Destroy();
    EXPECT_EQ(CStyleRegistry::Get(), nullptr);
}

// Themes written for one test, loaded from the directory "theme" of a temporary tree bound as THEME's parent.
class StyleRegistryLoad : public testing::Test
{
protected:
    void Load(const std::string& dir = "theme") { m_registry.LoadStyleDirectory(m_files.Dir(dir)); }

    ThemeFiles m_files;
    RootsForTest m_roots{{{"THEME", m_files.Path()}}};
    orvtest::LogCapture m_log;
    CStyleRegistry m_registry;
};

TEST_F(StyleRegistryLoad, StyleFileErrors)
{
    m_files.Write("noindex/readme.txt", "");
    m_files.Xml("broken/index.xml", "<style><button></style>");
    m_files.Xml("notstyle/index.xml", "<theme/>");
    m_files.Xml("upper/index.xml", "<STYLE><button width=\"1\"/></STYLE>");
    const struct
    {
        const char* dir;
        const char* message;
    } cases[] = {{"missing", "Invalid style directory!"},
                 {"noindex", "Style file index.xml dos not exist!"},
                 {"broken", "Failed to load style file index.xml!"},
                 {"notstyle", "Invalid style file index.xml!"}};
    for (const auto& c : cases)
    {
        m_log.Clear();
        m_registry.LoadStyleDirectory(CDir(wxString::FromUTF8(m_files.Sub(c.dir))));
        EXPECT_EQ(m_log.Count(c.message, wxLOG_Error), 1) << c.dir << "\n" << m_log.Dump();
    }
    m_log.Clear();
    Load("upper");
    EXPECT_EQ(Attribute(m_registry.GetStyle("button"), "width"), "1");
    EXPECT_TRUE(Errors(m_log).empty()) << m_log.Dump();
}

TEST_F(StyleRegistryLoad, ElementErrorsSkipOnlyTheElement)
{
    m_files.Xml("theme/index.xml",
                "<style><background/><background name=\"\"/><font/><led folder=\"x\"/>"
                "<background name=\"nodir\"/><background name=\"noindex\"/><led id=\"l1\" folder=\"nodir\"/>"
                "<led id=\"l2\" folder=\"noindex\"/><led id=\"l3\" folder=\"badindex\"/><file name=\"nofile.xml\"/>"
                "<file name=\"\"/><panel ok=\"yes\"/></style>");
    m_files.Write("theme/noindex/readme.txt", "");
    m_files.Xml("theme/badindex/index.xml", "<led>");
    Load();
    EXPECT_EQ(Errors(m_log), (std::vector<std::string>{
                                 "Background without name!",
                                 "Background without name!",
                                 "Font without name!",
                                 "Led without name!",
                                 "Failed to open directory for Background nodir",
                                 "Failed to load index.xml for Background noindex",
                                 "Failed to open directory for Led nodir",
                                 "Failed to load index.xml for Led l2",
                                 "Failed to load index.xml for Led l3",
                                 "Can not load file 'nofile.xml' at style->file",
                             }))
        << m_log.Dump();
    EXPECT_EQ(Attribute(m_registry.GetStyle("panel"), "ok"), "yes");
}

TEST_F(StyleRegistryLoad, SameEntryTwiceInOneFileMergesAttributesOnly)
{
    m_files.Xml("theme/index.xml",
                "<style><wheel a=\"1\" b=\"2\"><knob/></wheel><wheel b=\"3\" c=\"4\"><other/></wheel></style>");
    Load();
    const wxXmlNode* wheel = m_registry.GetStyle("wheel");
    EXPECT_EQ(Attribute(wheel, "a"), "1");
    EXPECT_EQ(Attribute(wheel, "b"), "3");
    EXPECT_EQ(Attribute(wheel, "c"), "4");
    EXPECT_EQ(ChildNames(wheel), std::vector<std::string>{"knob"});
}

TEST_F(StyleRegistryLoad, LedWithoutFolderLooksAtTheTopOfTheTree)
{
    m_files.Png("top.png", 2, 2, 9, 9, 9);
    m_files.Xml("index.xml", "<led><image file=\"top.png\" value=\"1\"/></led>");
    m_files.Xml("theme/index.xml", "<style><led id=\"plain\"/></style>");
    Load();
    ASSERT_NE(m_registry.GetLedStyle("plain"), nullptr);
    EXPECT_EQ(PixelAt(m_registry.GetLedStyle("plain")->GetImage("1"), 0, 0).r, 9);
}

TEST_F(StyleRegistryLoad, BaseThemeIsLookedForOnlyUnderTheme)
{
    m_files.Xml("theme/index.xml", "<style style=\"nowhere\"><panel/></style>");
    m_files.Xml("theme/nowhere/index.xml", "<style><group/></style>");
    Load();
    EXPECT_TRUE(Errors(m_log).empty()) << m_log.Dump();
    EXPECT_NE(m_registry.GetStyle("panel"), nullptr);
    m_log.Clear();
    EXPECT_EQ(m_registry.GetStyle("group"), nullptr);
}

TEST_F(StyleRegistryLoad, BaseThemeThatLeadsBackToItselfIsLoadedOnce)
{
    m_files.Xml("a/index.xml", "<style style=\"b\"><font name=\"f\" size=\"10\"/><panel n=\"a\"/></style>");
    m_files.Xml("b/index.xml", "<style style=\"a\"><font name=\"f\" size=\"20\"/><panel n=\"b\" m=\"b\"/></style>");
    Load("a");
    EXPECT_EQ(Errors(m_log), std::vector<std::string>{"Base theme a leads back to itself, ignored"});
    EXPECT_EQ(m_registry.GetFont("f")->GetPointSize(), 10);
    EXPECT_EQ(Attribute(m_registry.GetStyle("panel"), "n"), "a");
    EXPECT_EQ(Attribute(m_registry.GetStyle("panel"), "m"), "b");
}

TEST_F(StyleRegistryLoad, FileThatIncludesItselfIsIncludedOnce)
{
    m_files.Xml("theme/index.xml", "<style><file name=\"self.xml\"/><panel/></style>");
    m_files.Xml("theme/self.xml", "<file name=\"self.xml\"/>");
    Load();
    const std::vector<std::string> errors = Errors(m_log);
    ASSERT_EQ(errors.size(), 1u) << m_log.Dump();
    EXPECT_EQ(errors[0].rfind("File ", 0), 0u);
    EXPECT_NE(errors[0].find("self.xml includes itself"), std::string::npos);
    EXPECT_NE(m_registry.GetStyle("panel"), nullptr);
}

TEST_F(StyleRegistryLoad, SecondInfoElementUpdatesTheInfoStyle)
{
    m_files.Png("theme/leds/a.png", 2, 2, 1, 1, 1);
    m_files.Xml("theme/leds/index.xml", "<led><image file=\"a.png\"/></led>");
    m_files.Xml("theme/index.xml",
                "<style><font name=\"small\"/><font name=\"big\"/>"
                "<info><text font=\"small\"/><led id=\"x\" folder=\"leds\"/></info>"
                "<info><text font=\"big\"/><led id=\"x\" folder=\"leds\"/><led id=\"y\" folder=\"leds\"/></info>"
                "</style>");
    Load();
    const CInfoStyle* info = m_registry.GetInfoStyle();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetTextFont(), m_registry.GetFont("big"));
    EXPECT_NE(info->GetLed("y"), nullptr);
    EXPECT_EQ(Errors(m_log), std::vector<std::string>{"Led x already exist!"});
}
}  // namespace
