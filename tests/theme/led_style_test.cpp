#include "theme/led_style.h"

#include <gtest/gtest.h>

#include "storage/xml_helpers.h"
#include "support/log_capture.h"
#include "theme/theme_fixture.h"

using themetest::PixelAt;
using themetest::ThemeFiles;

namespace
{
// An LED folder "leds" with four solid images: grey, green, blue and red.
class LedStyleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_files.Png("leds/grey.png", 4, 4, 50, 50, 50);
        m_files.Png("leds/green.png", 4, 4, 0, 200, 0);
        m_files.Png("leds/blue.png", 4, 4, 0, 0, 200);
        m_files.Png("leds/red.png", 5, 5, 200, 0, 0);
    }

    // Creates the style from a led element and the children of the folder's index root.
    bool Create(CLedStyle& style, const std::string& led, const std::string& images)
    {
        const auto element = themetest::ParseElement(led);
        const auto index = themetest::ParseElement("<led>" + images + "</led>");
        return style.Create(element.get(), index.get(), m_files.Dir("leds"));
    }

    static int RedOf(const CImage& image) { return image.IsOk() ? PixelAt(image, 0, 0).r : -1; }
    static int GreenOf(const CImage& image) { return image.IsOk() ? PixelAt(image, 0, 0).g : -1; }

    ThemeFiles m_files;
    orvtest::LogCapture m_log;
};

TEST_F(LedStyleTest, ImageWithoutValueIsTheDefaultForEveryOtherValue)
{
    CLedStyle style;
    EXPECT_TRUE(Create(style, "<led id=\"x\"/>",
                       "<image file=\"grey.png\" value=\"0\"/><image file=\"green.png\" value=\"1\"/>"
                       "<image file=\"red.png\"/>"));
    EXPECT_EQ(m_log.Count("Missing value in led for file red.png, taken as default", wxLOG_Warning), 1) << m_log.Dump();
    EXPECT_EQ(GreenOf(style.GetImage("1")), 200);
    EXPECT_EQ(RedOf(style.GetImage("0")), 50);
    EXPECT_EQ(RedOf(style.GetImage("2")), 200);
    EXPECT_EQ(RedOf(style.GetImage("")), 200);
}

TEST_F(LedStyleTest, LaterImageOfTheSameValueWins)
{
    CLedStyle style;
    EXPECT_TRUE(
        Create(style, "<led/>", "<image file=\"grey.png\" value=\"on\"/><image file=\"green.png\" value=\"on\"/>"));
    EXPECT_EQ(GreenOf(style.GetImage("on")), 200);
    EXPECT_EQ(style.GetImageCount(), 1u);
    // no default image: other values show nothing
    EXPECT_FALSE(style.GetImage("ON").IsOk());
}

TEST_F(LedStyleTest, OnlyOtherElementsLeaveNoValidImage)
{
    CLedStyle style;
    EXPECT_FALSE(Create(style, "<led/>", "<Image file=\"grey.png\" value=\"0\"/><picture file=\"green.png\"/>"));
    EXPECT_EQ(m_log.Count("Unexpected tag Image at led->Image", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_log.Count("Unexpected tag picture at led->picture", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(m_log.Count("Led has no valid image", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(style.GetImageCount(), 0u);
}

TEST_F(LedStyleTest, FailedImageFailsTheStyleButKeepsTheOthers)
{
    CLedStyle style;
    EXPECT_FALSE(
        Create(style, "<led/>",
               "<image value=\"0\"/><image file=\"gone.png\" value=\"1\"/><image file=\"blue.png\" value=\"2\"/>"));
    EXPECT_EQ(m_log.Count("Unknown tag image in led", wxLOG_Error), 1) << m_log.Dump();
    const std::string folder(m_files.Dir("leds").GetPath().utf8_str());
    EXPECT_EQ(m_log.Count("Loading image " + folder + "/gone.png failed", wxLOG_Error), 1) << m_log.Dump();
    EXPECT_EQ(style.GetImageCount(), 1u);
}

TEST_F(LedStyleTest, ImageWithoutFileAloneIsNoFailureButNoImage)
{
    CLedStyle style;
    EXPECT_FALSE(Create(style, "<led/>", "<image value=\"0\"/>"));
    EXPECT_EQ(m_log.Count("Led has no valid image", wxLOG_Error), 1) << m_log.Dump();
}

TEST_F(LedStyleTest, PositionsIgnoreCaseAndBadNumbersGiveZero)
{
    CLedStyle style;
    EXPECT_TRUE(Create(style, "<led POSX=\"-10\" posY=\"4\"/>", "<image file=\"grey.png\"/>"));
    EXPECT_EQ(style.GetPosX(), -10);
    EXPECT_EQ(style.GetPosY(), 4);
    EXPECT_TRUE(Create(style, "<led posx=\"left\"/>", ""));
    EXPECT_EQ(style.GetPosX(), 0);
    EXPECT_EQ(style.GetPosY(), 4);
    EXPECT_EQ(m_log.Count("value left can not be computed", wxLOG_Error), 1) << m_log.Dump();
}

TEST_F(LedStyleTest, SecondCreateKeepsValuesItDoesNotList)
{
    CLedStyle style;
    ASSERT_TRUE(
        Create(style, "<led/>", "<image file=\"grey.png\" value=\"0\"/><image file=\"green.png\" value=\"1\"/>"));
    ASSERT_TRUE(Create(style, "<led/>", "<image file=\"blue.png\" value=\"1\"/>"));
    EXPECT_EQ(RedOf(style.GetImage("0")), 50);
    EXPECT_EQ(PixelAt(style.GetImage("1"), 0, 0).b, 200);
}

TEST(LedStyleEmpty, GivesNullImage)
{
    const CLedStyle style;
    EXPECT_FALSE(style.GetImage("0").IsOk());
}

// led children of an info or VU style, each read into the style's own map.
class InfoLedTest : public LedStyleTest
{
protected:
    void Read(const std::string& led) { ReadInfoLed(themetest::ParseElement(led).get(), m_files.Dir(), m_leds); }
    CLedStyleMap m_leds;
};

TEST_F(InfoLedTest, ReadsTheFolderAndRefusesARepeatedId)
{
    m_files.Xml("leds/index.xml", "<led><image file=\"green.png\" value=\"1\"/></led>");
    Read("<led id=\"a\" folder=\"leds\" posx=\"2\"/>");
    Read("<led id=\"a\" folder=\"other\"/>");
    ASSERT_EQ(m_leds.count("a"), 1u);
    EXPECT_EQ(GreenOf(m_leds["a"]->GetImage("1")), 200);
    EXPECT_EQ(m_leds["a"]->GetPosX(), 2);
    // refused before its folder is looked at
    EXPECT_EQ(m_log.Texts(), std::vector<std::string>{"Led a already exist!"});
}

TEST_F(InfoLedTest, FailuresAreLoggedAndLeaveNoEntry)
{
    m_files.Xml("broken/index.xml", "<led><image");
    m_files.Xml("empty/index.xml", "<led/>");
    m_files.Write("noindex/readme.txt", "");
    const std::string top(m_files.Dir().GetPath().utf8_str());
    struct Case
    {
        const char* element;
        std::string message;
    } cases[] = {
        {"<led folder=\"leds\"/>", "Led without name!"},
        {"<led id=\"\" folder=\"leds\"/>", "Led without name!"},
        {"<led id=\"a\" folder=\"nowhere\"/>", "Loading image " + top + "/nowhere/ failed"},
        {"<led id=\"b\" folder=\"noindex\"/>",
         "Loading image " + std::string(m_files.Dir("noindex").GetPath().utf8_str()) + "/ failed"},
        {"<led id=\"c\" folder=\"broken\"/>", "Failed to load index.xml for Led c"},
        {"<led id=\"d\" folder=\"empty\"/>", "Failed to create Led d"},
    };
    for (const Case& c : cases)
    {
        m_log.Clear();
        Read(c.element);
        EXPECT_EQ(m_log.Count(c.message, wxLOG_Error), 1) << c.element << "\n" << m_log.Dump();
    }
    EXPECT_TRUE(m_leds.empty());
}
}  // namespace
