#include "theme/image.h"

#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>

#include "theme/background.h"
#include "theme/pixels.h"

using themetest::PixelAt;
using themetest::Px;
using themetest::Solid;

namespace
{
// A white canvas to draw on, read back as an image.
class Canvas
{
public:
    Canvas(int width, int height) : m_bitmap(width, height, 24)
    {
        m_dc.SelectObject(m_bitmap);
        m_dc.SetBackground(*wxWHITE_BRUSH);
        m_dc.Clear();
    }
    wxDC& Dc() { return m_dc; }
    wxImage Image()
    {
        m_dc.SelectObject(wxNullBitmap);
        wxImage image = m_bitmap.ConvertToImage();
        m_dc.SelectObject(m_bitmap);
        return image;
    }

private:
    wxBitmap m_bitmap;
    wxMemoryDC m_dc;
};

std::string Column(const wxImage& image, int x)
{
    std::string column;
    for (int y = 0; y < image.GetHeight(); ++y)
    {
        const Px p = PixelAt(image, x, y);
        column += p.r == 255 && p.g == 255 && p.b == 255 ? '.' : p.r > 128 ? 'r' : p.g > 128 ? 'g' : '?';
    }
    return column;
}

// Two rows: red over green.
CImage RedOverGreen()
{
    CImage image(2, 2);
    image.SetRGB(wxRect(0, 0, 2, 1), 255, 0, 0);
    image.SetRGB(wxRect(0, 1, 2, 1), 0, 255, 0);
    return image;
}

TEST(ImageDraw, DrawAtFillsTheCacheOnceAndDrawsAtThePosition)
{
    Canvas canvas(6, 6);
    const CImage image = Solid(2, 2, 255, 0, 0);
    wxBitmap cache;
    image.DrawAt(canvas.Dc(), 3, 1, &cache);
    ASSERT_TRUE(cache.IsOk());
    const wxBitmap filled = cache;
    image.DrawAt(canvas.Dc(), 0, 0, &cache);
    EXPECT_TRUE(cache.IsSameAs(filled));
    EXPECT_EQ(Column(canvas.Image(), 3), ".rr...");
}

TEST(ImageDraw, TransparentPixelsLeaveTheCanvas)
{
    Canvas canvas(4, 1);
    CImage image = Solid(4, 1, 0, 255, 0, 255);
    image.SetAlpha(1, 0, 0);
    image.DrawAt(canvas.Dc(), 0, 0);
    EXPECT_EQ(PixelAt(canvas.Image(), 1, 0), (Px{255, 255, 255, -1}));
    EXPECT_EQ(PixelAt(canvas.Image(), 2, 0), (Px{0, 255, 0, -1}));
}

TEST(ImageDraw, TiledDownCacheGrowsOnlyForTallerStrips)
{
    Canvas canvas(4, 12);
    const CImage image = RedOverGreen();
    wxBitmap cache;
    image.DrawTiledDown(canvas.Dc(), 1, 1, 2, 5, &cache);
    EXPECT_EQ(cache.GetHeight(), 5);
    EXPECT_EQ(Column(canvas.Image(), 1), ".rgrgr......");
    image.DrawTiledDown(canvas.Dc(), 1, 1, 2, 3, &cache);
    EXPECT_EQ(cache.GetHeight(), 5);
    image.DrawTiledDown(canvas.Dc(), 1, 1, 2, 9, &cache);
    EXPECT_EQ(cache.GetHeight(), 9);
    EXPECT_EQ(Column(canvas.Image(), 2), ".rgrgrgrgr..");
}

TEST(ImageDraw, TiledDownWithoutCacheIsClippedToTheHeight)
{
    Canvas canvas(3, 8);
    RedOverGreen().DrawTiledDown(canvas.Dc(), 0, 2, 2, 3);
    EXPECT_EQ(Column(canvas.Image(), 0), "..rgr...");
    EXPECT_EQ(Column(canvas.Image(), 2), "........");
}

TEST(ImageDraw, TiledCoversTheRectangleOnly)
{
    Canvas canvas(8, 6);
    RedOverGreen().DrawTiled(canvas.Dc(), 1, 1, 5, 3);
    EXPECT_EQ(Column(canvas.Image(), 5), ".rgr..");
    EXPECT_EQ(Column(canvas.Image(), 6), "......");
}

TEST(ImageDraw, ScaledRebuildsTheCacheForAnotherSize)
{
    Canvas canvas(10, 10);
    const CImage image = RedOverGreen();
    wxBitmap cache;
    image.DrawScaled(canvas.Dc(), 0, 0, 4, 8, &cache);
    EXPECT_EQ(cache.GetSize(), wxSize(4, 8));
    EXPECT_EQ(Column(canvas.Image(), 0), "rrrrgggg..");
    image.DrawScaled(canvas.Dc(), 0, 0, 6, 2, &cache);
    EXPECT_EQ(cache.GetSize(), wxSize(6, 2));
}

TEST(ImageDraw, ClippedDrawsInsideTheRectangle)
{
    Canvas canvas(4, 4);
    Solid(4, 4, 255, 0, 0).DrawClipped(canvas.Dc(), 0, 0, wxRect(1, 1, 2, 2));
    EXPECT_EQ(Column(canvas.Image(), 1), ".rr.");
    EXPECT_EQ(Column(canvas.Image(), 0), "....");
}

TEST(ImageDraw, ImageThatIsNotOkDrawsNothingAndKeepsTheCache)
{
    Canvas canvas(2, 2);
    wxBitmap cache;
    CImage().DrawAt(canvas.Dc(), 0, 0, &cache);
    CImage().DrawTiledDown(canvas.Dc(), 0, 0, 2, 2, &cache);
    EXPECT_FALSE(cache.IsOk());
    EXPECT_EQ(Column(canvas.Image(), 0), "..");
}

TEST(BackgroundDraw, DrawsTheComposedImageAtThePosition)
{
    Canvas canvas(6, 6);
    CBackground background;
    background.SetSlot(CBackground::T, Solid(1, 1, 255, 0, 0), CBackground::MODE_TILE);
    background.SetSlot(CBackground::M, Solid(1, 1, 0, 255, 0), CBackground::MODE_TILE);
    background.Draw(canvas.Dc(), 2, 1, 3, 4);
    EXPECT_TRUE(background.GetComposedBitmap().IsOk());
    EXPECT_EQ(Column(canvas.Image(), 3), ".rggg.");
    EXPECT_EQ(Column(canvas.Image(), 1), "......");
}
}  // namespace
