#include "theme/info_style.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "theme/style_registry.h"
#include "theme/theme_fixture.h"

using themetest::PixelAt;
using themetest::ThemeFiles;

namespace
{
// A registry with the font "label" and the background "meter", and an LED folder "bar" beside them.
class InfoStyleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_files.Xml("meter/index.xml", "<background><l color=\"red\"/><m color=\"blue\"/></background>");
        m_files.Png("bar/bar.png", 6, 2, 0, 250, 0);
        m_files.Xml("bar/index.xml", "<led><image file=\"bar.png\" value=\"vu\"/></led>");
        m_files.Xml("index.xml", "<style><font name=\"label\"/><background name=\"meter\"/></style>");
        m_registry.LoadStyleDirectory(m_files.Dir());
        m_log.Clear();
    }

    void Create(const std::string& info)
    {
        EXPECT_TRUE(m_info.Create(themetest::ParseElement(info).get(), m_files.Dir(), m_registry));
    }

    std::vector<std::string> Errors() const
    {
        std::vector<std::string> errors;
        for (const orvtest::CapturedLog& record : m_log.Records())
            errors.push_back(record.text);
        return errors;
    }

    ThemeFiles m_files;
    CStyleRegistry m_registry;
    orvtest::LogCapture m_log;
    CInfoStyle m_info;
};

TEST_F(InfoStyleTest, TextFontIsLookedUpOrLeftAlone)
{
    Create("<info><text font=\"label\"/></info>");
    EXPECT_EQ(m_info.GetTextFont(), m_registry.GetFont("label"));
    Create("<info><text/></info>");
    EXPECT_EQ(m_info.GetTextFont(), m_registry.GetFont("label"));
    Create("<info><text font=\"\"/></info>");
    EXPECT_EQ(m_info.GetTextFont(), nullptr);
    Create("<info><text font=\"label\"/><text font=\"huge\"/></info>");
    EXPECT_EQ(m_info.GetTextFont(), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Info style text font not defined", "Font huge does not exist"}));
}

TEST_F(InfoStyleTest, UnexpectedChildrenAreReportedWithTheirLocation)
{
    Create("<info><Text font=\"label\"/><vu background=\"meter\"><bar/></vu></info>");
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"Unexpected tag Text at info->Text", "Unexpected tag bar at info->vu->bar"}));
    EXPECT_EQ(m_info.GetTextFont(), nullptr);
}

TEST_F(InfoStyleTest, VuStyleCopiesTheBackgroundAndReadsItsLeds)
{
    Create("<info><vu background=\"meter\" label-font=\"label\"><led id=\"vu\" folder=\"bar\"/></vu></info>");
    const CVuStyle* vu = m_info.GetVuStyle();
    ASSERT_NE(vu, nullptr);
    EXPECT_EQ(PixelAt(vu->GetSlotImage(CBackground::M), 0, 0).b, 255);
    EXPECT_EQ(vu->GetLeftTop(), wxSize(1, 0));
    EXPECT_EQ(vu->GetLabelFont(), m_registry.GetFont("label"));
    EXPECT_EQ(vu->GetLabelPosition(), CVuStyle::LABEL_BOTTOM_RIGHT);
    ASSERT_NE(vu->GetLed("vu"), nullptr);
    EXPECT_EQ(vu->GetLed("vu")->GetImage("vu").GetWidth(), 6);
    EXPECT_EQ(vu->GetLed("peak"), nullptr);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Led peak does not exist"});
}

TEST_F(InfoStyleTest, VuBackgroundAndFontFallBacks)
{
    Create("<info><vu background=\"meter\" label-font=\"label\"/></info>");
    CVuStyle* vu = m_info.GetVuStyle();
    ASSERT_NE(vu, nullptr);
    Create("<info><vu/></info>");
    EXPECT_FALSE(vu->IsEmpty());
    EXPECT_EQ(vu->GetLabelFont(), m_registry.GetFont("label"));
    Create("<info><vu background=\"sky\" label-font=\"tiny\"/></info>");
    EXPECT_TRUE(vu->IsEmpty());
    EXPECT_EQ(vu->GetLabelFont(), nullptr);
    Create("<info><vu background=\"meter\" label-font=\"label\"/><vu background=\"\" label-font=\"\"/></info>");
    EXPECT_EQ(m_info.GetVuStyle(), vu);
    EXPECT_TRUE(vu->IsEmpty());
    EXPECT_EQ(vu->GetLabelFont(), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Info style vu background not defined",
                                                  "Background sky does not exist", "Font tiny does not exist"}));
}

TEST_F(InfoStyleTest, LedsOfTheInfoAreLookedUpByExactId)
{
    Create("<info><led id=\"on\" folder=\"bar\"/></info>");
    EXPECT_NE(m_info.GetLed("on"), nullptr);
    EXPECT_EQ(m_info.GetLed("ON"), nullptr);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Led ON does not exist"});
}

TEST(InfoStyleWithoutElement, FailsCreation)
{
    CStyleRegistry registry;
    CInfoStyle info;
    EXPECT_FALSE(info.Create(nullptr, CDir(), registry));
}

struct LabelCase
{
    const char* text;
    int position;
};

class VuLabelPosition : public testing::TestWithParam<LabelCase>
{
};

TEST_P(VuLabelPosition, FromText)
{
    EXPECT_EQ(CVuStyle::LabelPositionFromString(GetParam().text), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Texts, VuLabelPosition,
                         testing::Values(LabelCase{"tl", 0}, LabelCase{"TopLeft", 0}, LabelCase{"TR", 1},
                                         LabelCase{"topright", 1}, LabelCase{"bl", 2}, LabelCase{"BottomLeft", 2},
                                         LabelCase{"br", 3}, LabelCase{"bottomright", 3}, LabelCase{"middle", -1},
                                         LabelCase{"top left", -1}, LabelCase{"", -1}));

TEST_F(InfoStyleTest, UnknownLabelPositionIsBottomRight)
{
    Create("<info><vu background=\"meter\" label-position=\"tl\"/></info>");
    EXPECT_EQ(m_info.GetVuStyle()->GetLabelPosition(), CVuStyle::LABEL_TOP_LEFT);
    Create("<info><vu background=\"meter\" label-position=\"middle\"/></info>");
    EXPECT_EQ(m_info.GetVuStyle()->GetLabelPosition(), CVuStyle::LABEL_BOTTOM_RIGHT);
}
}  // namespace
