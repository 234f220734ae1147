#include "theme/image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "theme/blend_row.h"
#include "theme/pixels.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::RowPattern;
using themetest::Solid;

namespace
{
struct BlendCase
{
    const char* name;
    Px dest;
    Px source;
    Px expected;
};

// Hand-computed from the rule: s = a/255, d = A/255 * (1 - s), colour floor(D*d + S*s + 0.5), alpha min(A + a, 255).
const BlendCase kBlendCases[] = {
    {"TransparentSourceKeepsDestination", {10, 20, 30, 200}, {200, 200, 200, 0}, {10, 20, 30, 200}},
    {"OpaqueSourceReplaces", {10, 20, 30, 100}, {200, 100, 50, 255}, {200, 100, 50, 255}},
    {"TransparentDestinationTakesSource", {10, 20, 30, 0}, {200, 100, 50, 60}, {200, 100, 50, 60}},
    {"HalfOverOpaque", {200, 100, 0, 255}, {0, 0, 255, 128}, {100, 50, 128, 255}},
    {"AlphaSumAbove255IsClamped", {255, 255, 255, 200}, {0, 0, 0, 100}, {122, 122, 122, 255}},
    // Colours are not divided by the new alpha: a plain source-over would give (67, 133, 0).
    {"PartialOverPartialIsNotSourceOver", {100, 0, 0, 100}, {0, 200, 0, 50}, {32, 39, 0, 150}},
    {"PartialOverPartialMixed", {10, 200, 30, 40}, {250, 20, 100, 90}, {89, 27, 38, 130}},
};

class BlendRule : public testing::TestWithParam<BlendCase>
{
};

TEST_P(BlendRule, OnePixel)
{
    const BlendCase& c = GetParam();
    CImage dest = Solid(1, 1, c.dest.r, c.dest.g, c.dest.b, c.dest.a);
    dest.Paste(Solid(1, 1, c.source.r, c.source.g, c.source.b, c.source.a), 0, 0);
    EXPECT_EQ(PixelAt(dest, 0, 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Paste, BlendRule, testing::ValuesIn(kBlendCases),
                         [](const testing::TestParamInfo<BlendCase>& info) { return info.param.name; });

// A 3 x 3 source whose pixels all differ.
CImage Numbered()
{
    CImage image(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            image.SetRGB(x, y, 10 * x, 10 * y, 100);
    return image;
}

TEST(ImagePaste, ClipsAtEveryEdge)
{
    CImage dest = Solid(4, 4, 1, 1, 1);
    dest.Paste(Numbered(), -1, -2);
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{10, 20, 100, -1}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{20, 20, 100, -1}));
    EXPECT_EQ(PixelAt(dest, 2, 0), (Px{1, 1, 1, -1}));
    EXPECT_EQ(PixelAt(dest, 0, 1), (Px{1, 1, 1, -1}));

    dest.Paste(Numbered(), 3, 3);
    EXPECT_EQ(PixelAt(dest, 3, 3), (Px{0, 0, 100, -1}));

    const CImage before = dest.Copy();
    dest.Paste(Numbered(), 4, 0);
    dest.Paste(Numbered(), -3, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(dest, x, y), PixelAt(before, x, y));
}

TEST(ImagePaste, ClippedPasteChangesOnlyTheRectangle)
{
    CImage dest = Solid(4, 4, 1, 1, 1);
    dest.Paste(Numbered(), 0, 0, wxRect(1, 1, 5, 1));
    EXPECT_EQ(PixelAt(dest, 1, 1), (Px{10, 10, 100, -1}));
    EXPECT_EQ(PixelAt(dest, 2, 1), (Px{20, 10, 100, -1}));
    EXPECT_EQ(PixelAt(dest, 3, 1), (Px{1, 1, 1, -1}));
    EXPECT_EQ(PixelAt(dest, 0, 1), (Px{1, 1, 1, -1}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{1, 1, 1, -1}));
    EXPECT_EQ(PixelAt(dest, 1, 2), (Px{1, 1, 1, -1}));
}

TEST(ImagePaste, OpaqueSourceMakesCoveredAlphaOpaque)
{
    CImage dest = Solid(3, 1, 0, 0, 0, 0);
    dest.Paste(Solid(1, 1, 9, 8, 7), 1, 0);
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{9, 8, 7, 255}));
    EXPECT_EQ(PixelAt(dest, 2, 0), (Px{0, 0, 0, 0}));
}

TEST(ImagePaste, SourceWithAlphaGivesDestinationOpaqueAlpha)
{
    CImage dest = Solid(2, 1, 50, 50, 50);
    dest.Paste(Solid(1, 1, 250, 0, 0, 255), 0, 0);
    ASSERT_TRUE(dest.HasAlpha());
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{250, 0, 0, 255}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{50, 50, 50, 255}));
}

TEST(ImagePaste, MaskedSourcePixelsLeaveDestinationAndSourceUntouched)
{
    CImage source = Solid(2, 1, 255, 0, 255);
    source.SetRGB(1, 0, 0, 0, 200);
    source.SetMaskColour(255, 0, 255);
    CImage dest = Solid(2, 1, 7, 7, 7);
    dest.Paste(source, 0, 0);
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{7, 7, 7, 255}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{0, 0, 200, 255}));
    EXPECT_TRUE(source.HasMask());
    EXPECT_FALSE(source.HasAlpha());
}

TEST(ImagePaste, MaskedDestinationTurnsMaskIntoAlpha)
{
    CImage dest = Solid(2, 1, 255, 0, 255);
    dest.SetRGB(1, 0, 1, 2, 3);
    dest.SetMaskColour(255, 0, 255);
    dest.Paste(Solid(1, 1, 0, 0, 0, 0), 0, 0);
    EXPECT_FALSE(dest.HasMask());
    EXPECT_EQ(PixelAt(dest, 0, 0).a, 0);
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{1, 2, 3, 255}));
}

TEST(ImagePaste, DoesNotChangeImagesSharingTheData)
{
    const CImage original = Solid(2, 2, 1, 2, 3);
    CImage copy = original;
    copy.Paste(Solid(1, 1, 200, 200, 200, 255), 0, 0);
    EXPECT_EQ(PixelAt(original, 0, 0), (Px{1, 2, 3, -1}));
    EXPECT_EQ(PixelAt(copy, 0, 0), (Px{200, 200, 200, 255}));
}

TEST(ImageCopyFrom, TakesSourcePixelsAndAlphaWithoutBlending)
{
    CImage dest = Solid(2, 1, 100, 100, 100, 200);
    dest.CopyFrom(Solid(1, 1, 10, 20, 30, 50), 1, 0);
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{100, 100, 100, 200}));
    EXPECT_EQ(PixelAt(dest, 1, 0), (Px{10, 20, 30, 50}));
}

TEST(ImageCopyFrom, OpaqueSourceOverTransparentAreaIsOpaque)
{
    CImage dest = Solid(2, 1, 0, 0, 0, 0);
    dest.CopyFrom(Solid(1, 1, 10, 20, 30), 0, 0);
    EXPECT_EQ(PixelAt(dest, 0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(PixelAt(dest, 1, 0).a, 0);
}

const Px kA{200, 0, 0, -1};
const Px kB{0, 0, 200, -1};
const Px kLegend[] = {kA, kB};

// A 2 x 2 source: top row A B, bottom row B A.
CImage Checker()
{
    CImage image(2, 2);
    themetest::SetPixel(image, 0, 0, kA);
    themetest::SetPixel(image, 1, 0, kB);
    themetest::SetPixel(image, 0, 1, kB);
    themetest::SetPixel(image, 1, 1, kA);
    return image;
}

struct TileCase
{
    int offset;
    const char* firstRow;
    const char* secondRow;
};

class ImageTile : public testing::TestWithParam<TileCase>
{
};

TEST_P(ImageTile, CoversTheImageFromTheLeftEdge)
{
    CImage dest(5, 3);
    dest.Tile(Checker(), GetParam().offset);
    EXPECT_EQ(RowPattern(dest, 0, "AB", kLegend), GetParam().firstRow);
    EXPECT_EQ(RowPattern(dest, 1, "AB", kLegend), GetParam().secondRow);
    EXPECT_EQ(RowPattern(dest, 2, "AB", kLegend), GetParam().firstRow);
}

INSTANTIATE_TEST_SUITE_P(Offsets, ImageTile,
                         testing::Values(TileCase{0, "ABABA", "BABAB"}, TileCase{1, "BABAB", "ABABA"},
                                         TileCase{2, "ABABA", "BABAB"},
                                         // an offset beyond the source width still covers x = 0
                                         TileCase{3, "BABAB", "ABABA"}, TileCase{7, "ABABA", "BABAB"},
                                         TileCase{-1, "BABAB", "ABABA"}));

TEST(ImageTile, CopiesSourceAlpha)
{
    CImage dest(3, 2);
    dest.Tile(Solid(1, 1, 5, 5, 5, 77), 0);
    ASSERT_TRUE(dest.HasAlpha());
    EXPECT_EQ(PixelAt(dest, 2, 1), (Px{5, 5, 5, 77}));
}

TEST(ImageClearAlpha, MakesEverythingTransparent)
{
    CImage image = Solid(3, 2, 9, 9, 9);
    image.ClearAlpha(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PixelAt(image, x, y), (Px{9, 9, 9, 0}));
}
}  // namespace

namespace
{
// One destination pixel (colour D, alpha A) under one source pixel (colour S, alpha a), by the rule in doubles.
Px RuleInDoubles(int D, int A, int S, int a)
{
    if (a == 0)
        return {D, D, D, A};
    if (a == 255 || A == 0)
        return {S, S, S, a};
    const double s = a / 255.0;
    const double d = A / 255.0 * (1 - s);
    const int c = static_cast<int>(std::floor(D * d + S * s + 0.5));
    return {c, c, c, std::min(A + a, 255)};
}

using RowFunction = void (*)(unsigned char*, unsigned char*, const unsigned char*, const unsigned char*, int);

// Blends a row of every alpha pair of grey pixels D under S; the mismatches. The row holds 256 runs of 256 pixels,
// one alpha fixed along each run (the destination's, or with sourceRuns the source's) and the other counting up, so
// that whole stretches of the row are over a transparent destination or under a transparent or opaque source.
int MismatchesOfEveryAlphaPair(RowFunction blend, int D, int S, bool sourceRuns)
{
    std::vector<unsigned char> rgb(65536 * 3, static_cast<unsigned char>(D)), alpha(65536);
    std::vector<unsigned char> sourceRgb(65536 * 3, static_cast<unsigned char>(S)), sourceAlpha(65536);
    const auto destAlphaAt = [sourceRuns](int i) { return sourceRuns ? i & 255 : i >> 8; };
    const auto sourceAlphaAt = [sourceRuns](int i) { return sourceRuns ? i >> 8 : i & 255; };
    for (int i = 0; i < 65536; ++i)
    {
        alpha[i] = static_cast<unsigned char>(destAlphaAt(i));
        sourceAlpha[i] = static_cast<unsigned char>(sourceAlphaAt(i));
    }
    blend(rgb.data(), alpha.data(), sourceRgb.data(), sourceAlpha.data(), 65536);
    int mismatches = 0;
    for (int i = 0; i < 65536; ++i)
    {
        const Px expected = RuleInDoubles(D, destAlphaAt(i), S, sourceAlphaAt(i));
        const Px actual{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], alpha[i]};
        mismatches += actual == expected ? 0 : 1;
    }
    return mismatches;
}

// Both variants of the blend loop (the wide one where the processor has it) against the rule.
TEST(BlendRow, MatchesTheRuleForEveryAlphaPair)
{
    const int colours[] = {0, 1, 2, 127, 128, 129, 200, 254, 255};
    for (const RowFunction blend : {RowFunction(BlendRow), RowFunction(BlendRowPortable)})
    {
        for (const bool sourceRuns : {false, true})
        {
            for (const int D : colours)
            {
                for (const int S : colours)
                    EXPECT_EQ(MismatchesOfEveryAlphaPair(blend, D, S, sourceRuns), 0)
                        << "D " << D << " S " << S << (sourceRuns ? " source runs" : " destination runs");
            }
        }
    }
}
}  // namespace
