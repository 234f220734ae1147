#include "theme/font.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "theme/theme_fixture.h"

namespace
{
CFont Applied(const std::string& attributes)
{
    const auto element = themetest::ParseElement("<font name=\"f\" " + attributes + "/>");
    EXPECT_NE(element, nullptr) << attributes;
    CFont font;
    font.ApplyElement(element.get());
    return font;
}

TEST(Font, NameOnlyGivesNormalGuiFontInBlack)
{
    const CFont font = Applied("");
    EXPECT_EQ(font.GetPointSize(), wxNORMAL_FONT->GetPointSize());
    EXPECT_EQ(font.GetWeight(), wxNORMAL_FONT->GetWeight());
    EXPECT_EQ(font.GetStyle(), wxNORMAL_FONT->GetStyle());
    EXPECT_FALSE(font.GetUnderlined());
    EXPECT_EQ(font.GetTextColour(), *wxBLACK);
}

struct StyleCase
{
    const char* attributes;
    wxFontStyle style;
    bool underlined;
};

class FontStyleWords : public testing::TestWithParam<StyleCase>
{
};

TEST_P(FontStyleWords, AreAppliedOneByOne)
{
    const CFont font = Applied(GetParam().attributes);
    EXPECT_EQ(font.GetStyle(), GetParam().style) << GetParam().attributes;
    EXPECT_EQ(font.GetUnderlined(), GetParam().underlined) << GetParam().attributes;
}

INSTANTIATE_TEST_SUITE_P(Attributes, FontStyleWords,
                         testing::Values(StyleCase{"style=\"italic|underline\"", wxFONTSTYLE_ITALIC, true},
                                         StyleCase{"style=\"ITALIC\"", wxFONTSTYLE_ITALIC, false},
                                         StyleCase{"style=\"slant\"", wxFONTSTYLE_SLANT, false},
                                         // words around a spaced bar match nothing
                                         StyleCase{"style=\"italic | underline\"", wxFONTSTYLE_NORMAL, false},
                                         StyleCase{"style=\"|underline||\"", wxFONTSTYLE_NORMAL, true},
                                         StyleCase{"style=\"italic|normal\"", wxFONTSTYLE_NORMAL, false},
                                         // underlining is switched on, never off
                                         StyleCase{"style=\"underline\" STYLE=\"normal\"", wxFONTSTYLE_NORMAL, true}));

TEST(Font, KeywordsAndAttributeNamesIgnoreCase)
{
    EXPECT_EQ(Applied("WEIGHT=\"BOLD\"").GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(Applied("weight=\"light\"").GetWeight(), wxFONTWEIGHT_LIGHT);
    EXPECT_EQ(Applied("weight=\"heavy\"").GetWeight(), wxNORMAL_FONT->GetWeight());
    EXPECT_EQ(Applied("Family=\"Teletype\"").GetFamily(), wxFONTFAMILY_TELETYPE);
}

TEST(Font, LaterAttributeWins)
{
    EXPECT_EQ(Applied("weight=\"bold\" Weight=\"normal\"").GetWeight(), wxFONTWEIGHT_NORMAL);
    EXPECT_EQ(Applied("size=\"9\" SIZE=\"17\"").GetPointSize(), 17);
}

TEST(Font, SizeIsSetOnlyFromPositiveNumbers)
{
    const int normal = wxNORMAL_FONT->GetPointSize();
    const struct
    {
        const char* value;
        int size;
        const char* message;  // the only message logged, or ""
    } cases[] = {{"23", 23, ""},
                 {" 23", 23, ""},
                 {"0", normal, ""},
                 {"-4", normal, ""},
                 {"12pt", normal, "value 12pt can not be computed"},
                 {"1.5", normal, "value 1.5 can not be computed"}};
    for (const auto& c : cases)
    {
        orvtest::LogCapture log;
        EXPECT_EQ(Applied(std::string("size=\"") + c.value + "\"").GetPointSize(), c.size) << c.value;
        const std::vector<std::string> expected =
            *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
        EXPECT_EQ(log.Texts(), expected) << c.value;
    }
}

TEST(Font, ColourParsesOrKeepsThePreviousOneSilently)
{
    orvtest::LogCapture log;
    EXPECT_EQ(Applied("color=\"#102030\"").GetTextColour(), wxColour(0x10, 0x20, 0x30));
    EXPECT_EQ(Applied("color=\"RGB(1,2,3)\"").GetTextColour(), wxColour(1, 2, 3));
    EXPECT_EQ(Applied("COLOR=\"red\"").GetTextColour(), wxColour(255, 0, 0));
    EXPECT_EQ(Applied("color=\"blue\" Color=\"no such colour\"").GetTextColour(), wxColour(0, 0, 255));
    EXPECT_EQ(Applied("color=\"no such colour\"").GetTextColour(), *wxBLACK);
    EXPECT_TRUE(log.Texts().empty()) << log.Dump();
}

TEST(Font, FaceIsSetOnlyWhenGiven)
{
    const wxString before = CFont().GetFaceName();
    EXPECT_EQ(Applied("face=\"\"").GetFaceName(), before);
    EXPECT_EQ(Applied("face=\"DejaVu Serif\"").GetFaceName(), "DejaVu Serif");
}

TEST(Font, SecondElementChangesOnlyWhatItNames)
{
    CFont font;
    font.ApplyElement(themetest::ParseElement("<font weight=\"bold\" color=\"#0000ff\" size=\"15\"/>").get());
    font.ApplyElement(themetest::ParseElement("<font size=\"9\"/>").get());
    EXPECT_EQ(font.GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(font.GetTextColour(), wxColour(0, 0, 255));
    EXPECT_EQ(font.GetPointSize(), 9);
}
}  // namespace
