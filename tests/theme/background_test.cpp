#include "theme/background.h"

#include <gtest/gtest.h>

#include "theme/pixels.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::RowPattern;
using themetest::Solid;

namespace
{
const Px kRed{255, 0, 0, 255};
const Px kGreen{0, 255, 0, 255};
const Px kBlue{0, 0, 255, 255};

CImage Composed(CBackground& background, int width, int height, bool transparent = true)
{
    background.Prepare(0, 0, width, height, transparent);
    return background.GetComposedImage();
}

TEST(BackgroundCompose, HalfTransparentRedColourFillsAnySize)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(1, 1, 255, 0, 0, 128), CBackground::MODE_TILE);
    for (const wxSize size : {wxSize(1, 1), wxSize(7, 3), wxSize(64, 48)})
    {
        CBackground copy = background;
        const CImage image = Composed(copy, size.x, size.y);
        ASSERT_EQ(image.GetSize(), size);
        for (int y = 0; y < size.y; ++y)
            for (int x = 0; x < size.x; ++x)
                ASSERT_EQ(PixelAt(image, x, y), (Px{255, 0, 0, 128})) << x << "," << y << " at " << size.x;
    }
}

TEST(BackgroundCompose, OpaqueCanvasBlendsHalfTransparentColourOverBlack)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(1, 1, 255, 0, 0, 128), CBackground::MODE_TILE);
    EXPECT_EQ(PixelAt(Composed(background, 2, 2, false), 1, 1), (Px{128, 0, 0, 255}));
}

// The extent of opaque pixels along a row or column of an image composed on a transparent canvas.
struct Extent
{
    int first = -1;
    int last = -1;
    bool operator==(const Extent& o) const { return first == o.first && last == o.last; }
};
std::ostream& operator<<(std::ostream& out, const Extent& e)
{
    return out << "[" << e.first << ".." << e.last << "]";
}

Extent OpaqueAlong(const wxImage& image, int fixed, bool alongX)
{
    Extent e;
    const int length = alongX ? image.GetWidth() : image.GetHeight();
    for (int i = 0; i < length; ++i)
    {
        const int a = alongX ? image.GetAlpha(i, fixed) : image.GetAlpha(fixed, i);
        if (a == 255)
        {
            if (e.first < 0)
                e.first = i;
            e.last = i;
        }
    }
    return e;
}

TEST(BackgroundCompose, FitScalesMiddleToWholeWidthAndCentresIt)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(100, 50, 0, 255, 0), CBackground::MODE_FIT);
    const CImage image = Composed(background, 300, 300);
    EXPECT_EQ(OpaqueAlong(image, 150, false), (Extent{75, 224}));
    EXPECT_EQ(OpaqueAlong(image, 150, true), (Extent{0, 299}));
    EXPECT_EQ(PixelAt(image, 150, 150), kGreen);
}

// A middle whose first half is red and second half blue (left and right, or top and bottom), widefit at a size.
CImage WidefitHalves(int width, int height, bool sideBySide, int size)
{
    CImage middle = Solid(width, height, 255, 0, 0);
    middle.SetRGB(sideBySide ? wxRect(width / 2, 0, width / 2, height) : wxRect(0, height / 2, width, height / 2), 0, 0,
                  255);
    CBackground background;
    background.SetSlot(CBackground::M, middle, CBackground::MODE_WIDEFIT);
    return Composed(background, size, size);
}

TEST(BackgroundCompose, WidefitCoversTheSizeAndCropsBothSides)
{
    // Scaled to 600 x 300 at (-150, 0) the halves meet at x = 150.
    const CImage image = WidefitHalves(100, 50, true, 300);
    EXPECT_EQ(OpaqueAlong(image, 0, true), (Extent{0, 299}));
    EXPECT_EQ(OpaqueAlong(image, 150, false), (Extent{0, 299}));
    EXPECT_EQ(PixelAt(image, 0, 150), kRed);
    EXPECT_EQ(PixelAt(image, 140, 150), kRed);
    EXPECT_EQ(PixelAt(image, 160, 150), kBlue);
    EXPECT_EQ(PixelAt(image, 299, 150), kBlue);
}

TEST(BackgroundCompose, WidefitOfAThinStripScalesOnlyWhatShows)
{
    // Scaled whole, 2 x 20000 would become 100 x 1000000 (400 MB); the part that shows still covers everything,
    // red above and blue below the middle.
    const CImage image = WidefitHalves(2, 20000, false, 100);
    EXPECT_EQ(OpaqueAlong(image, 0, true), (Extent{0, 99}));
    EXPECT_EQ(OpaqueAlong(image, 50, false), (Extent{0, 99}));
    for (int y = 0; y < 100; ++y)
    {
        const Px p = PixelAt(image, 50, y);
        EXPECT_NEAR(p.r + p.b, 255, 1) << y;
        EXPECT_TRUE(y < 48 ? p.r > p.b : y > 51 ? p.b > p.r : true) << y << " " << p;
    }
}

TEST(BackgroundCompose, RightMiddleEndsAtContentRightEdge)
{
    CBackground background;
    background.SetSlot(CBackground::L, Solid(10, 1, 0, 0, 255), CBackground::MODE_TILE);
    background.SetSlot(CBackground::R, Solid(10, 1, 0, 0, 255), CBackground::MODE_TILE);
    background.SetSlot(CBackground::M, Solid(20, 4, 0, 255, 0), CBackground::MODE_END);
    background.SetVerticalMode(CBackground::MODE_END);
    const CImage image = Composed(background, 120, 10);
    const Px legend[] = {kGreen, kBlue};
    EXPECT_EQ(RowPattern(image, 9, "gb", legend),
              std::string(10, 'b') + std::string(80, '.') + std::string(20, 'g') + std::string(10, 'b'));
    EXPECT_EQ(OpaqueAlong(image, 95, false), (Extent{6, 9}));
}

struct PlacementCase
{
    const char* mode;
    int sourceWidth;
    Extent covered;  // of a top edge 10 pixels long
};

class EdgePlacement : public testing::TestWithParam<PlacementCase>
{
};

TEST_P(EdgePlacement, TopEdgeCoversExpectedColumns)
{
    CBackground background;
    const int mode = CBackground::ParseMode(GetParam().mode);
    ASSERT_GE(mode, 0);
    background.SetSlot(CBackground::T, Solid(GetParam().sourceWidth, 2, 0, 255, 0), mode);
    const CImage image = Composed(background, 10, 4);
    EXPECT_EQ(OpaqueAlong(image, 0, true), GetParam().covered);
    EXPECT_EQ(OpaqueAlong(image, 2, true), Extent{});
}

INSTANTIATE_TEST_SUITE_P(Modes, EdgePlacement,
                         testing::Values(PlacementCase{"tile", 4, {0, 9}}, PlacementCase{"stretch", 4, {0, 9}},
                                         PlacementCase{"center", 4, {3, 6}}, PlacementCase{"left", 4, {0, 3}},
                                         PlacementCase{"right", 4, {6, 9}}, PlacementCase{"fit", 4, {0, 9}},
                                         // a source longer than the edge is stretched to it
                                         PlacementCase{"center", 14, {0, 9}}, PlacementCase{"left", 14, {0, 9}},
                                         PlacementCase{"right", 14, {0, 9}}),
                         [](const testing::TestParamInfo<PlacementCase>& info) {
                             return std::string(info.param.mode) + std::to_string(info.param.sourceWidth);
                         });

TEST(BackgroundCompose, ModeNamesAreExact)
{
    EXPECT_EQ(CBackground::ParseMode("top"), CBackground::MODE_START);
    EXPECT_EQ(CBackground::ParseMode("bottom"), CBackground::MODE_END);
    EXPECT_EQ(CBackground::ParseMode("Center"), -1);
    EXPECT_EQ(CBackground::ParseMode(""), -1);
}

TEST(BackgroundCompose, CornersLargerThanSizeDoNotOverlapBackwards)
{
    CBackground background;
    background.SetSlot(CBackground::TL, Solid(30, 30, 255, 0, 0), 0);
    background.SetSlot(CBackground::TR, Solid(30, 30, 0, 255, 0), 0);
    background.SetSlot(CBackground::BL, Solid(30, 30, 0, 0, 255), 0);
    background.SetSlot(CBackground::BR, Solid(30, 30, 9, 9, 9), 0);
    const CImage image = Composed(background, 40, 40);
    EXPECT_EQ(PixelAt(image, 29, 0), kRed);
    EXPECT_EQ(PixelAt(image, 30, 0), kGreen);
    EXPECT_EQ(PixelAt(image, 0, 29), kRed);
    EXPECT_EQ(PixelAt(image, 0, 30), kBlue);
    EXPECT_EQ(PixelAt(image, 30, 30), (Px{9, 9, 9, 255}));
    EXPECT_EQ(PixelAt(image, 29, 29), kRed);
}

TEST(BackgroundCompose, LeftEdgeFillsBetweenCornersAndIsNotDrawnWithoutLength)
{
    // The edge is wider than the corners (5 wide, 10 high on top), so where it is drawn shows at x = 10.
    const struct
    {
        int height;
        int bottomCorner;
        Extent drawn;
    } cases[] = {{30, 4, {10, 25}}, {20, 10, {}}, {15, 10, {}}, {1, 10, {}}};
    for (const auto& c : cases)
    {
        CBackground background;
        background.SetSlot(CBackground::TL, Solid(5, 10, 255, 0, 0), 0);
        background.SetSlot(CBackground::BL, Solid(5, c.bottomCorner, 255, 0, 0), 0);
        background.SetSlot(CBackground::L, Solid(20, 3, 0, 255, 0), CBackground::MODE_STRETCH);
        EXPECT_EQ(OpaqueAlong(Composed(background, 30, c.height), 10, false), c.drawn) << c.height;
    }
}

TEST(BackgroundCompose, CentredMiddleIsMeasuredFromImageCorner)
{
    CBackground background;
    background.SetSlot(CBackground::L, Solid(10, 1, 0, 0, 255), 0);
    background.SetSlot(CBackground::M, Solid(20, 4, 0, 255, 0), CBackground::MODE_CENTER);
    background.SetVerticalMode(CBackground::MODE_CENTER);
    const CImage image = Composed(background, 110, 10);
    // content 100 x 10: ((100 - 20) / 2, (10 - 4) / 2) from the top-left corner of the whole image
    EXPECT_EQ(OpaqueAlong(image, 0, true), (Extent{0, 9}));
    EXPECT_EQ(PixelAt(image, 40, 3), kGreen);
    EXPECT_EQ(PixelAt(image, 59, 6), kGreen);
    EXPECT_EQ(PixelAt(image, 60, 3).a, 0);
    EXPECT_EQ(PixelAt(image, 40, 2).a, 0);
}

TEST(BackgroundCompose, CentredMiddleTiledDownIsVisibleOnTransparentCanvas)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(4, 3, 0, 255, 0), CBackground::MODE_CENTER);
    background.SetVerticalMode(CBackground::MODE_TILE);
    const CImage image = Composed(background, 10, 8);
    EXPECT_EQ(OpaqueAlong(image, 7, true), (Extent{3, 6}));
    EXPECT_EQ(OpaqueAlong(image, 4, false), (Extent{0, 7}));
}

TEST(BackgroundCompose, MiddleIsSkippedWithoutContentArea)
{
    CBackground background;
    background.SetSlot(CBackground::L, Solid(6, 1, 0, 0, 255), 0);
    background.SetSlot(CBackground::R, Solid(6, 1, 0, 0, 255), 0);
    background.SetSlot(CBackground::M, Solid(1, 1, 0, 255, 0), CBackground::MODE_TILE);
    const CImage image = Composed(background, 10, 5);
    const Px legend[] = {kGreen, kBlue};
    EXPECT_EQ(RowPattern(image, 2, "gb", legend), "bbbbbbbbbb");
}

TEST(BackgroundPrepare, ComposesOncePerSize)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(2, 2, 1, 2, 3), CBackground::MODE_TILE);
    background.Prepare(0, 0, 20, 10, true);
    const unsigned char* first = background.GetComposedImage().GetData();
    background.Prepare(35, 7, 20, 10, true);
    EXPECT_EQ(background.GetComposedImage().GetData(), first);
    background.Prepare(0, 0, 21, 10, true);
    EXPECT_EQ(background.GetComposedImage().GetWidth(), 21);
}

TEST(BackgroundPrepare, ZeroSizeAndEmptyBackgroundLeaveCachesAlone)
{
    CBackground background;
    background.SetSlot(CBackground::M, Solid(2, 2, 1, 2, 3), CBackground::MODE_TILE);
    background.Prepare(0, 0, 20, 10, true);
    for (const wxSize size : {wxSize(0, 10), wxSize(20, 0), wxSize(-5, 10)})
    {
        background.Prepare(0, 0, size.x, size.y, true);
        EXPECT_EQ(background.GetComposedImage().GetSize(), wxSize(20, 10));
    }
    CBackground empty;
    empty.Prepare(0, 0, 20, 10, true);
    EXPECT_FALSE(empty.GetComposedImage().IsOk());
}

TEST(BackgroundCopy, SharesSlotsKeepsOwnCacheAndUnsharesOnChange)
{
    CBackground original;
    original.SetSlot(CBackground::M, Solid(1, 1, 1, 1, 1), CBackground::MODE_STRETCH);
    original.Prepare(0, 0, 5, 5, true);
    CBackground copy = original;
    EXPECT_FALSE(copy.GetComposedImage().IsOk());
    EXPECT_EQ(copy.GetSlotMode(CBackground::M), CBackground::MODE_STRETCH);
    copy.SetSlot(CBackground::M, Solid(1, 1, 2, 2, 2), CBackground::MODE_CENTER);
    EXPECT_EQ(original.GetSlotMode(CBackground::M), CBackground::MODE_STRETCH);
    EXPECT_EQ(PixelAt(original.GetSlotImage(CBackground::M), 0, 0).r, 1);

    CBackground assigned;
    assigned.Prepare(0, 0, 5, 5, true);
    assigned = original;
    EXPECT_FALSE(assigned.GetComposedImage().IsOk());
}

TEST(BackgroundMeasures, BordersContentAndNaturalSize)
{
    CBackground background;
    EXPECT_EQ(background.GetNaturalSize(), wxSize(0, 0));
    background.SetSlot(CBackground::L, Solid(3, 1, 0, 0, 0), 0);
    background.SetSlot(CBackground::R, Solid(5, 1, 0, 0, 0), 0);
    background.SetSlot(CBackground::T, Solid(1, 2, 0, 0, 0), 0);
    background.SetSlot(CBackground::B, Solid(1, 4, 0, 0, 0), 0);
    EXPECT_EQ(background.GetLeftTop(), wxSize(3, 2));
    EXPECT_EQ(background.GetRightBottom(), wxSize(5, 4));
    EXPECT_EQ(background.GetBorderSize(), wxSize(8, 6));
    EXPECT_EQ(background.GetContentRect(100, 50), wxRect(3, 2, 92, 44));
    EXPECT_EQ(background.GetNaturalSize(), wxSize(8, 6));
    background.SetSlot(CBackground::M, Solid(10, 7, 0, 0, 0), 0);
    EXPECT_EQ(background.GetNaturalSize(), wxSize(18, 13));
}
}  // namespace
