#include "theme/image_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "theme/image.h"
#include "theme/pixels.h"
#include "theme/scale_rows.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::Solid;

namespace
{
enum class AlphaKind
{
    None,
    Random,
    Sparse,  // mostly transparent, the rest anything: sharp alpha edges and sums near 0
    Opaque   // an alpha channel that is 255 everywhere
};

const char* const kAlphaNames[] = {"NoAlpha", "RandomAlpha", "SparseAlpha", "OpaqueAlpha"};

// Random colours (and alpha of the given kind) from a fixed seed.
wxImage RandomImage(int width, int height, AlphaKind kind, unsigned seed = 42)
{
    std::mt19937 random(seed);
    wxImage image(width, height, false);
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < pixels * 3; ++i)
        image.GetData()[i] = static_cast<unsigned char>(random());
    if (kind == AlphaKind::None)
        return image;
    image.SetAlpha();
    for (size_t i = 0; i < pixels; ++i)
    {
        const unsigned value = random() & 255;
        const unsigned sparse = value < 200 ? 0 : value;
        image.GetAlpha()[i] = static_cast<unsigned char>(kind == AlphaKind::Random   ? value
                                                         : kind == AlphaKind::Sparse ? sparse
                                                                                     : 255);
    }
    return image;
}

// The largest difference of one channel between two images of one size, and how many pixels differ at all. The
// colour of a pixel that is transparent in both does not count: it never shows, since pasting keeps the
// destination there and the toolkit's own sums for it may be a rounding error away from 0.
struct Difference
{
    int largest = 0;
    int pixels = 0;
};

Difference Compare(const wxImage& expected, const wxImage& actual)
{
    Difference d;
    const int count = expected.GetWidth() * expected.GetHeight();
    const unsigned char* e = expected.GetAlpha();
    const unsigned char* a = actual.GetAlpha();
    for (int i = 0; i < count; ++i)
    {
        int largest = e ? std::abs(e[i] - a[i]) : 0;
        if (!e || e[i] != 0 || a[i] != 0)
        {
            for (int c = 0; c < 3; ++c)
                largest = std::max(largest, std::abs(expected.GetData()[3 * i + c] - actual.GetData()[3 * i + c]));
        }
        d.largest = std::max(d.largest, largest);
        d.pixels += largest > 0 ? 1 : 0;
    }
    return d;
}

struct ScaleCase
{
    const char* name;
    wxSize from;
    wxSize to;
    bool exact;  // box averages and the unchanged size give the toolkit's bytes; the cubic filter is within 1
};

const ScaleCase kScaleCases[] = {
    {"EnlargeWidth", {16, 9}, {40, 9}, false},
    {"EnlargeHeight", {9, 16}, {9, 40}, false},
    {"EnlargeBoth", {7, 5}, {23, 17}, false},
    {"EnlargeByAThird", {6, 6}, {8, 8}, false},
    // shrinking one side only still takes the cubic filter
    {"ShrinkWidthOnly", {40, 9}, {16, 9}, false},
    {"ShrinkHeightOnly", {9, 40}, {9, 16}, false},
    {"ShrinkOneEnlargeOther", {23, 17}, {7, 40}, false},
    {"ShrinkBoth", {23, 17}, {7, 5}, true},
    {"ShrinkBothByOnePixel", {30, 20}, {29, 19}, true},
    {"ShrinkToOnePixel", {16, 16}, {1, 1}, true},
    {"OnePixelSource", {1, 1}, {10, 10}, false},
    {"OneColumnToOneRow", {1, 5}, {10, 1}, false},
    {"OneRowToOneColumn", {6, 1}, {1, 7}, false},
    {"SameSize", {5, 4}, {5, 4}, true},
    // the bench's two scalings of a stretched middle, at a smaller width
    {"StretchStrip", {64, 64}, {300, 64}, false},
    {"StretchDown", {300, 64}, {300, 500}, false},
};

struct ScaleParam
{
    ScaleCase scale;
    AlphaKind alpha;
};

void PrintTo(const ScaleParam& p, std::ostream* out)
{
    *out << p.scale.name << " " << kAlphaNames[static_cast<int>(p.alpha)];
}

class ScaleLikeToolkit : public testing::TestWithParam<ScaleParam>
{
};

TEST_P(ScaleLikeToolkit, WithinOneOfTheToolkitsHighQuality)
{
    const ScaleCase& c = GetParam().scale;
    const wxImage source = RandomImage(c.from.x, c.from.y, GetParam().alpha);
    const wxImage expected = source.Scale(c.to.x, c.to.y, wxIMAGE_QUALITY_HIGH);
    const wxImage actual = ScaleHighQuality(source, c.to.x, c.to.y);
    ASSERT_EQ(actual.GetSize(), c.to);
    ASSERT_EQ(actual.HasAlpha(), expected.HasAlpha());
    const Difference d = Compare(expected, actual);
    EXPECT_LE(d.largest, c.exact ? 0 : 1) << d.pixels << " of " << c.to.x * c.to.y << " pixels differ";
}

std::vector<ScaleParam> AllScaleParams()
{
    std::vector<ScaleParam> params;
    for (const ScaleCase& c : kScaleCases)
        for (const AlphaKind kind : {AlphaKind::None, AlphaKind::Random, AlphaKind::Sparse, AlphaKind::Opaque})
            params.push_back({c, kind});
    return params;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScaleLikeToolkit, testing::ValuesIn(AllScaleParams()),
                         [](const testing::TestParamInfo<ScaleParam>& info) {
                             return std::string(info.param.scale.name) +
                                    kAlphaNames[static_cast<int>(info.param.alpha)];
                         });

// The toolkit truncates alpha sums that are a rounding error below a whole number, so it turns part of an enlarged
// opaque image into 254; a uniform alpha stays what it is here.
TEST(ScaleHighQuality, UniformAlphaStaysUniform)
{
    for (const int alpha : {255, 128, 1})
    {
        const wxImage scaled = ScaleHighQuality(Solid(7, 5, 10, 20, 30, alpha), 1872, 33);
        for (int i = 0; i < scaled.GetWidth() * scaled.GetHeight(); ++i)
        {
            ASSERT_EQ(scaled.GetAlpha()[i], alpha) << "pixel " << i;
            ASSERT_EQ(PixelAt(scaled, i % 1872, i / 1872), (Px{10, 20, 30, alpha})) << "pixel " << i;
        }
    }
}

TEST(ScaleHighQuality, KeepsTheMaskColourLikeTheToolkit)
{
    wxImage source = RandomImage(6, 4, AlphaKind::None);
    source.SetMaskColour(1, 2, 3);
    const wxImage scaled = ScaleHighQuality(source, 12, 9);
    ASSERT_TRUE(scaled.HasMask());
    EXPECT_EQ(scaled.GetMaskRed(), 1);
    EXPECT_EQ(scaled.GetMaskGreen(), 2);
    EXPECT_EQ(scaled.GetMaskBlue(), 3);
    EXPECT_LE(Compare(source.Scale(12, 9, wxIMAGE_QUALITY_HIGH), scaled).largest, 1);
}

TEST(ScaleHighQuality, InvalidImageOrSizeGivesInvalidImage)
{
    const wxImage source = Solid(4, 4, 1, 2, 3);
    EXPECT_FALSE(ScaleHighQuality(wxImage(), 4, 4).IsOk());
    EXPECT_FALSE(ScaleHighQuality(source, 0, 4).IsOk());
    EXPECT_FALSE(ScaleHighQuality(source, 4, -1).IsOk());
}

// Rows of a column range, asked bottom up so that the filtered-row cache is filled out of order, against the same
// columns of the whole scaled image.
TEST(ImageScaler, PartOfTheColumnsInAnyRowOrderIsThatPartOfTheWhole)
{
    const struct
    {
        wxSize to;
        int left;
        int count;
    } parts[] = {{{50, 40}, 0, 50}, {{50, 40}, 13, 9}, {{11, 7}, 10, 1}, {{900, 3}, 400, 37}};
    for (const AlphaKind kind : {AlphaKind::None, AlphaKind::Random})
    {
        for (const wxImage& source : {RandomImage(20, 15, kind), RandomImage(1000, 9, kind)})
        {
            for (const auto& part : parts)
            {
                const wxImage whole = ScaleHighQuality(source, part.to.x, part.to.y);
                CImageScaler scaler(source, part.to.x, part.to.y, part.left, part.count);
                std::vector<unsigned char> rgb(3 * part.count), alpha(part.count);
                for (int y = part.to.y - 1; y >= 0; --y)
                {
                    scaler.Row(y, rgb.data(), alpha.data());
                    const wxImage expected = whole.GetSubImage(wxRect(part.left, y, part.count, 1));
                    ASSERT_EQ(std::vector<unsigned char>(expected.GetData(), expected.GetData() + 3 * part.count), rgb)
                        << "row " << y << " of " << part.to.x << "x" << part.to.y;
                    if (kind != AlphaKind::None)
                    {
                        ASSERT_EQ(std::vector<unsigned char>(expected.GetAlpha(), expected.GetAlpha() + part.count),
                                  alpha);
                    }
                }
            }
        }
    }
}

// Pasting scaled computes only what lands on the destination; the result must be exactly pasting the whole
// scaled image, wherever it lands and whatever carries alpha.
TEST(ImagePasteScaled, IsPastingTheWholeScaledImage)
{
    const wxPoint places[] = {{0, 0}, {-7, -3}, {20, 11}, {-30, 5}, {29, 0}, {40, 40}};
    const wxImage sources[] = {RandomImage(9, 6, AlphaKind::Random, 1), RandomImage(9, 6, AlphaKind::None, 2),
                               RandomImage(40, 30, AlphaKind::Sparse, 3)};
    for (const wxImage& source : sources)
    {
        for (const bool destAlpha : {false, true})
        {
            for (const wxPoint& at : places)
            {
                const CImage dest = RandomImage(30, 20, destAlpha ? AlphaKind::Random : AlphaKind::None, 4);
                CImage expected = dest.Copy();
                expected.Paste(ScaleHighQuality(source, 25, 17), at.x, at.y);
                CImage actual = dest.Copy();
                actual.PasteScaled(source, 25, 17, at.x, at.y);
                ASSERT_EQ(actual.HasAlpha(), expected.HasAlpha());
                EXPECT_EQ(Compare(expected, actual).pixels, 0) << "at " << at.x << "," << at.y;
            }
        }
    }
}

TEST(ImagePasteScaled, ScalingAnImageOntoItselfReadsItsOriginalPixels)
{
    CImage image = RandomImage(12, 10, AlphaKind::Random);
    CImage expected = image.Copy();
    // Placed lower down, each row written lands on a source row that later rows still read.
    expected.Paste(ScaleHighQuality(image, 20, 15), 2, 3);
    image.PasteScaled(image, 20, 15, 2, 3);
    EXPECT_EQ(Compare(expected, image).pixels, 0);
}

TEST(ImagePasteScaled, MaskedSourceBecomesTransparentWhereTheMaskColourLands)
{
    CImage source = Solid(4, 4, 200, 0, 0);
    source.SetRGB(wxRect(0, 0, 2, 4), 0, 0, 255);
    source.SetMaskColour(0, 0, 255);
    CImage dest = Solid(8, 8, 0, 255, 0);
    dest.PasteScaled(source, 8, 8, 0, 0);
    EXPECT_EQ(PixelAt(dest, 0, 3), (Px{0, 255, 0, 255}));
    EXPECT_EQ(PixelAt(dest, 7, 3), (Px{200, 0, 0, 255}));
}

// The loops chosen at run time against the ones built for any processor: the same bytes, tails included.
TEST(ScaleRows, WideAndPortableLoopsGiveTheSameResult)
{
    const int count = 37;  // four groups of eight and a tail
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(0.0f, 65025.0f);
    std::vector<float> data(16 * count);
    for (float& v : data)
        v = value(random);
    for (int i = 0; i < count; i += 5)
        data[3 * count + i] = 0.0f;  // some pixels without alpha in the first row
    const float* rows[4][4];
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 4; ++c)
            rows[k][c] = &data[(4 * k + c) * count];
    const float weights[4] = {0.01f, 0.0f, 0.0f, 0.0f};  // the first row alone: alpha sums of 0 occur
    for (const bool hasAlpha : {false, true})
    {
        std::vector<unsigned char> rgb(3 * count), alpha(count), rgbPortable(3 * count), alphaPortable(count);
        CubicVerticalRow(rows, weights, count, hasAlpha, rgb.data(), alpha.data());
        CubicVerticalRowPortable(rows, weights, count, hasAlpha, rgbPortable.data(), alphaPortable.data());
        EXPECT_EQ(rgb, rgbPortable);
        if (hasAlpha)
        {
            EXPECT_EQ(alpha, alphaPortable);
        }
    }
    std::vector<int> offsets(4 * count);
    std::vector<float> tapWeights(4 * count);
    for (int i = 0; i < 4 * count; ++i)
    {
        offsets[i] = static_cast<int>(random() % count);
        tapWeights[i] = value(random) / 65025.0f;
    }
    std::vector<float> out(8 * count);
    float* const wide[4] = {&out[0], &out[count], &out[2 * count], &out[3 * count]};
    float* const portable[4] = {&out[4 * count], &out[5 * count], &out[6 * count], &out[7 * count]};
    CubicHorizontalRow(rows[0], 4, offsets.data(), tapWeights.data(), count, wide);
    CubicHorizontalRowPortable(rows[0], 4, offsets.data(), tapWeights.data(), count, portable);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4 * count),
              std::vector<float>(out.begin() + 4 * count, out.end()));
}
}  // namespace
