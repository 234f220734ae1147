#include "theme/image.h"

#include "theme/blend_row.h"
#include "theme/image_scale.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
// The part of a source placed at (x, y) that lies inside a destination.
struct Overlap
{
    int srcX = 0;
    int srcY = 0;
    int dstX = 0;
    int dstY = 0;
    int width = 0;
    int height = 0;
};

// Within `clip` (a rectangle of the destination) and the destination itself.
bool ClipToDestination(const wxImage& source, const wxImage& dest, int x, int y, Overlap& out,
                       const wxRect& clip = wxRect(0, 0, INT_MAX, INT_MAX))
{
    const wxRect area = clip.Intersect(wxRect(dest.GetSize()));
    const wxRect placed = wxRect(x, y, source.GetWidth(), source.GetHeight()).Intersect(area);
    if (placed.IsEmpty())
        return false;
    out = {placed.x - x, placed.y - y, placed.x, placed.y, placed.width, placed.height};
    return true;
}

// A source whose mask has been turned into alpha; shares the caller's data when there is nothing to turn.
wxImage WithMaskAsAlpha(const wxImage& source)
{
    if (!source.HasMask() || source.HasAlpha())
        return source;
    wxImage copy = source.Copy();
    copy.InitAlpha();
    return copy;
}

// One row of pixels put onto the destination at (x, y). With blend set and source alpha the row is blended;
// otherwise it is copied, with the source's alpha when it has some, else making the covered alpha (if any) opaque.
void PutRow(wxImage& dst, int x, int y, const unsigned char* rgb, const unsigned char* alpha, int width, bool blend)
{
    const size_t d = static_cast<size_t>(y) * dst.GetWidth() + x;
    unsigned char* dstRgb = dst.GetData() + d * 3;
    unsigned char* dstAlpha = dst.GetAlpha() ? dst.GetAlpha() + d : nullptr;
    if (alpha && blend)
    {
        BlendRow(dstRgb, dstAlpha, rgb, alpha, width);
        return;
    }
    std::memcpy(dstRgb, rgb, static_cast<size_t>(width) * 3);
    if (dstAlpha && alpha)
        std::memcpy(dstAlpha, alpha, width);
    else if (dstAlpha)
        std::memset(dstAlpha, 255, width);
}

void PutRows(const wxImage& src, wxImage& dst, const Overlap& o, bool blend)
{
    const unsigned char* srcAlpha = src.GetAlpha();
    for (int row = 0; row < o.height; ++row)
    {
        const size_t s = static_cast<size_t>(o.srcY + row) * src.GetWidth() + o.srcX;
        PutRow(dst, o.dstX, o.dstY + row, src.GetData() + s * 3, srcAlpha ? srcAlpha + s : nullptr, o.width, blend);
    }
}

// First column of a tiling: the offset taken modulo the destination width, then moved left by whole source widths
// until the destination is covered from x = 0; columns that would lie wholly left of 0 are skipped.
int FirstTileColumn(int xOffset, int destWidth, int sourceWidth)
{
    int x = xOffset % destWidth;
    if (x > 0)
        x -= ((x + sourceWidth - 1) / sourceWidth) * sourceWidth;
    else if (x + sourceWidth <= 0)
        x += (-x / sourceWidth) * sourceWidth;
    return x;
}
}  // namespace

wxImage CImage::ReadyFor(const wxImage& source)
{
    wxImage ready = WithMaskAsAlpha(source);
    AllocExclusive();
    if (!HasAlpha() && (ready.HasAlpha() || HasMask()))
        InitAlpha();  // turns a mask into alpha, otherwise all opaque
    return ready;
}

void CImage::Paste(const wxImage& source, int x, int y)
{
    if (IsOk())
        Paste(source, x, y, wxRect(GetSize()));
}

void CImage::Paste(const wxImage& source, int x, int y, const wxRect& clip)
{
    if (!IsOk() || !source.IsOk())
        return;
    const wxImage src = ReadyFor(source);
    Overlap o;
    if (!ClipToDestination(src, *this, x, y, o, clip))
        return;
    PutRows(src, *this, o, true);
}

void CImage::PasteScaled(const wxImage& source, int width, int height, int x, int y)
{
    if (!IsOk() || !source.IsOk() || width <= 0 || height <= 0)
        return;
    if (source.HasMask())
    {
        // The scaled image keeps the mask colour, which pasting then turns into alpha pixel by pixel.
        Paste(ScaleHighQuality(source, width, height), x, y);
        return;
    }
    const wxImage src = ReadyFor(source);  // keeps the source's pixels even when it is this image
    const wxRect part = wxRect(x, y, width, height).Intersect(wxRect(GetSize()));
    if (part.IsEmpty())
        return;
    CImageScaler scaler(src, width, height, part.x - x, part.width);
    std::vector<unsigned char> rgb(static_cast<size_t>(part.width) * 3);
    std::vector<unsigned char> alpha(scaler.HasAlpha() ? part.width : 0);
    for (int line = part.y; line <= part.GetBottom(); ++line)
    {
        scaler.Row(line - y, rgb.data(), alpha.data());
        PutRow(*this, part.x, line, rgb.data(), scaler.HasAlpha() ? alpha.data() : nullptr, part.width, true);
    }
}

void CImage::CopyFrom(const wxImage& source, int x, int y)
{
    if (!IsOk() || !source.IsOk())
        return;
    const wxImage src = ReadyFor(source);
    Overlap o;
    if (ClipToDestination(src, *this, x, y, o))
        PutRows(src, *this, o, false);
}

void CImage::Tile(const wxImage& source, int xOffset)
{
    if (!IsOk() || !source.IsOk())
        return;
    const wxImage src = ReadyFor(source);
    const int width = GetWidth();
    const int height = GetHeight();
    const int sw = src.GetWidth();
    const int sh = src.GetHeight();
    const int first = FirstTileColumn(xOffset, width, sw);
    // The first band of rows is built tile by tile; every later row repeats the row one source height above it.
    for (int x = first; x < width; x += sw)
        CopyFrom(src, x, 0);
    unsigned char* rgb = GetData();
    unsigned char* alpha = GetAlpha();
    for (int row = sh; row < height; ++row)
    {
        const size_t d = static_cast<size_t>(row) * width;
        const size_t s = d - static_cast<size_t>(sh) * width;
        std::memcpy(rgb + d * 3, rgb + s * 3, static_cast<size_t>(width) * 3);
        if (alpha)
            std::memcpy(alpha + d, alpha + s, width);
    }
}

void CImage::ClearAlpha(int width, int height)
{
    if (!IsOk())
        return;
    AllocExclusive();
    const int w = std::min(width, GetWidth());
    const int h = std::min(height, GetHeight());
    if (!HasAlpha() && w == GetWidth() && h == GetHeight())
    {
        // The whole image: a zeroed channel straight away instead of an opaque one that is then cleared.
        SetMask(false);
        SetAlpha(static_cast<unsigned char*>(calloc(static_cast<size_t>(w) * h, 1)));
        return;
    }
    if (!HasAlpha())
        InitAlpha();
    if (w <= 0 || h <= 0)
        return;
    unsigned char* alpha = GetAlpha();
    for (int row = 0; row < h; ++row)
        std::memset(alpha + static_cast<size_t>(row) * GetWidth(), 0, w);
}
