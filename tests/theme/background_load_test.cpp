#include "theme/background.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "theme/theme_fixture.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::ThemeFiles;

namespace
{
// Loads a definition written as the children of its root element.
bool LoadDefinition(CBackground& background, const ThemeFiles& files, const std::string& slots)
{
    const auto root = themetest::ParseElement("<background>" + slots + "</background>");
    EXPECT_NE(root, nullptr) << slots;
    return background.Load(root.get(), files.Dir());
}

struct TransparencyCase
{
    const char* attribute;  // written after the colour
    int alpha;              // -1: opaque pixel without alpha channel
    const char* message;    // expected error, or ""
};

class ColourTransparency : public testing::TestWithParam<TransparencyCase>
{
};

TEST_P(ColourTransparency, GivesThePixelItsAlpha)
{
    orvtest::LogCapture log;
    ThemeFiles files;
    CBackground background;
    EXPECT_TRUE(LoadDefinition(background, files, std::string("<m color=\"#FF0000\" ") + GetParam().attribute + "/>"));
    const CImage& pixel = background.GetSlotImage(CBackground::M);
    ASSERT_EQ(pixel.GetSize(), wxSize(1, 1));
    EXPECT_EQ(PixelAt(pixel, 0, 0), (Px{255, 0, 0, GetParam().alpha}));
    if (*GetParam().message)
        EXPECT_EQ(log.Count(GetParam().message, wxLOG_Error), 1) << log.Dump();
    else
        EXPECT_TRUE(log.Texts().empty()) << log.Dump();
}

INSTANTIATE_TEST_SUITE_P(
    Percent, ColourTransparency,
    testing::Values(
        // 50 * 2.55 + 0.5 is just below 128 in doubles: floor 127, alpha 128
        TransparencyCase{"transparency=\"50\"", 128, ""}, TransparencyCase{"transparency=\"1\"", 252, ""},
        TransparencyCase{"transparency=\"99\"", 3, ""}, TransparencyCase{"transparency=\"100\"", 0, ""},
        TransparencyCase{"transparency=\"250\"", 0, ""}, TransparencyCase{"transparency=\"0\"", -1, ""},
        TransparencyCase{"transparency=\"-5\"", -1, ""}, TransparencyCase{"", -1, ""},
        TransparencyCase{"transparency=\"half\"", -1, "value half can not be computed"}));

TEST(BackgroundLoad, HalfTransparentRedMiddleComposesToAlpha128AtAnySize)
{
    ThemeFiles files;
    CBackground background;
    ASSERT_TRUE(LoadDefinition(background, files, "<m color=\"#FF0000\" transparency=\"50\"/>"));
    for (const wxSize size : {wxSize(1, 1), wxSize(13, 5), wxSize(40, 90)})
    {
        CBackground copy = background;
        copy.Prepare(0, 0, size.x, size.y, true);
        const CImage& image = copy.GetComposedImage();
        EXPECT_EQ(PixelAt(image, 0, 0), (Px{255, 0, 0, 128}));
        EXPECT_EQ(PixelAt(image, size.x - 1, size.y - 1), (Px{255, 0, 0, 128}));
    }
}

TEST(BackgroundLoad, ColourForcesTileModes)
{
    ThemeFiles files;
    CBackground background;
    ASSERT_TRUE(LoadDefinition(background, files,
                               "<m mode=\"center\" vmode=\"bottom\" color=\"red\"/>"
                               "<t mode=\"stretch\" color=\"blue\"/>"));
    EXPECT_EQ(background.GetSlotMode(CBackground::M), CBackground::MODE_TILE);
    EXPECT_EQ(background.GetVerticalMode(), CBackground::MODE_TILE);
    EXPECT_EQ(background.GetSlotMode(CBackground::T), CBackground::MODE_TILE);
}

TEST(BackgroundLoad, ModesAndTheirErrors)
{
    orvtest::LogCapture log;
    ThemeFiles files;
    CBackground background;
    EXPECT_TRUE(LoadDefinition(background, files, "<l mode=\"bottom\"/><r mode=\"Center\"/><m mode=\"fit\"/>"));
    EXPECT_EQ(background.GetSlotMode(CBackground::L), CBackground::MODE_END);
    EXPECT_EQ(background.GetSlotMode(CBackground::R), CBackground::MODE_TILE);
    EXPECT_EQ(log.Count("Bad mode Center for image", wxLOG_Error), 1) << log.Dump();
    // without vmode the middle's vertical mode follows its mode
    EXPECT_EQ(background.GetVerticalMode(), CBackground::MODE_FIT);

    EXPECT_TRUE(LoadDefinition(background, files, "<m vmode=\"Top\"/>"));
    EXPECT_EQ(background.GetVerticalMode(), CBackground::MODE_TILE);
    EXPECT_EQ(log.Count("Bad vmode Top for image", wxLOG_Error), 1) << log.Dump();
    EXPECT_EQ(background.GetSlotMode(CBackground::M), CBackground::MODE_FIT);
}

TEST(BackgroundLoad, ImageFilesAndTheirFailures)
{
    orvtest::LogCapture log;
    ThemeFiles files;
    files.Png("corner.png", 3, 2, 0, 0, 255);
    files.Write("broken.png", "this is not an image");
    CBackground background;
    EXPECT_FALSE(LoadDefinition(background, files,
                                "<tl file=\"missing.png\"/><tr file=\"broken.png\"/><bl file=\"corner.png\"/>"));
    const std::string dir(files.Dir().GetPath().utf8_str());
    EXPECT_EQ(log.Count("Loading image " + dir + "/missing.png failed", wxLOG_Error), 1) << log.Dump();
    EXPECT_EQ(log.Count("Loading image " + dir + "/broken.png failed", wxLOG_Error), 1) << log.Dump();
    EXPECT_FALSE(background.GetSlotImage(CBackground::TL).IsOk());
    EXPECT_FALSE(background.GetSlotImage(CBackground::TR).IsOk());
    EXPECT_EQ(background.GetSlotImage(CBackground::BL).GetSize(), wxSize(3, 2));
}

TEST(BackgroundLoad, BadColourFailsAndOtherSlotsAreRead)
{
    orvtest::LogCapture log;
    ThemeFiles files;
    CBackground background;
    EXPECT_FALSE(LoadDefinition(background, files, "<t color=\"nope\"/><b color=\"#00FF00\"/>"));
    EXPECT_EQ(log.Count("Bad colour nope", wxLOG_Error), 1) << log.Dump();
    EXPECT_EQ(PixelAt(background.GetSlotImage(CBackground::B), 0, 0), (Px{0, 255, 0, -1}));
}

TEST(BackgroundLoad, OnlySlotNamesCount)
{
    ThemeFiles files;
    CBackground background;
    EXPECT_TRUE(LoadDefinition(background, files, "<M color=\"red\"/><middle color=\"red\"/>text<!-- c -->"));
    EXPECT_FALSE(background.GetSlotImage(CBackground::M).IsOk());
}

TEST(BackgroundLoad, SecondLoadChangesOnlyTheSlotsItNamesAndLeavesCopiesAlone)
{
    ThemeFiles files;
    CBackground background;
    ASSERT_TRUE(LoadDefinition(background, files, "<tl color=\"red\"/><m color=\"blue\"/>"));
    const CBackground before = background;
    background.Prepare(0, 0, 4, 4, true);
    ASSERT_TRUE(LoadDefinition(background, files, "<m color=\"#00FF00\"/>"));
    EXPECT_FALSE(background.GetComposedImage().IsOk());
    EXPECT_EQ(PixelAt(background.GetSlotImage(CBackground::TL), 0, 0), (Px{255, 0, 0, -1}));
    EXPECT_EQ(PixelAt(background.GetSlotImage(CBackground::M), 0, 0), (Px{0, 255, 0, -1}));
    EXPECT_EQ(PixelAt(before.GetSlotImage(CBackground::M), 0, 0), (Px{0, 0, 255, -1}));
}
}  // namespace
