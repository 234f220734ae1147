// The drawing helpers of CImage: they need a display, unlike the compositing in image.cpp.
#include "theme/image.h"

#include <wx/bitmap.h>
#include <wx/dc.h>

namespace
{
// The bitmap to draw: the cache, filled first when it is empty, or a temporary one without a cache.
const wxBitmap& CachedBitmap(const wxImage& image, wxBitmap* cache, wxBitmap& temporary)
{
    if (!cache)
    {
        temporary = wxBitmap(image);
        return temporary;
    }
    if (!cache->IsOk())
        *cache = wxBitmap(image);
    return *cache;
}
}  // namespace

void CImage::DrawAt(wxDC& dc, int x, int y, wxBitmap* cache) const
{
    if (!IsOk())
        return;
    wxBitmap temporary;
    dc.DrawBitmap(CachedBitmap(*this, cache, temporary), x, y, true);
}

void CImage::DrawClipped(wxDC& dc, int x, int y, const wxRect& clip, wxBitmap* cache) const
{
    if (!IsOk())
        return;
    dc.SetClippingRegion(clip);
    DrawAt(dc, x, y, cache);
    dc.DestroyClippingRegion();
}

void CImage::DrawScaled(wxDC& dc, int x, int y, int width, int height, wxBitmap* cache) const
{
    if (!IsOk() || width <= 0 || height <= 0)
        return;
    if (cache && cache->IsOk() && cache->GetWidth() == width && cache->GetHeight() == height)
    {
        dc.DrawBitmap(*cache, x, y, true);
        return;
    }
    const wxBitmap scaled(Scale(width, height, wxIMAGE_QUALITY_NORMAL));
    if (cache)
        *cache = scaled;
    dc.DrawBitmap(scaled, x, y, true);
}

void CImage::DrawTiledDown(wxDC& dc, int x, int y, int width, int height, wxBitmap* cache) const
{
    if (!IsOk() || width <= 0 || height <= 0)
        return;
    if (cache)
    {
        if (!cache->IsOk() || cache->GetHeight() < height)
        {
            const int stripHeight = std::max(height, cache->IsOk() ? cache->GetHeight() : 0);
            CImage strip(GetWidth(), stripHeight);
            strip.Tile(*this, 0);
            *cache = wxBitmap(strip);
        }
        const int w = std::min(width, cache->GetWidth());
        dc.DrawBitmap(cache->GetSubBitmap(wxRect(0, 0, w, height)), x, y, true);
        return;
    }
    const wxBitmap bitmap(*this);
    dc.SetClippingRegion(x, y, width, height);
    for (int top = y, rest = height; rest >= 0; top += GetHeight(), rest -= GetHeight())
        dc.DrawBitmap(bitmap, x, top, true);
    dc.DestroyClippingRegion();
}

void CImage::DrawTiled(wxDC& dc, int x, int y, int width, int height) const
{
    if (!IsOk() || width <= 0 || height <= 0)
        return;
    const wxBitmap bitmap(*this);
    dc.SetClippingRegion(x, y, width, height);
    for (int top = y; top < y + height; top += GetHeight())
    {
        for (int left = x; left < x + width; left += GetWidth())
            dc.DrawBitmap(bitmap, left, top, true);
    }
    dc.DestroyClippingRegion();
}
