// Composition of a CBackground at a given size: middle, corners, then edges, each pasted with CImage::Paste so
// that images with alpha blend over what lies below them.
#include "theme/background.h"

#include <algorithm>
#include <climits>

namespace
{
using Images = CImage[CBackground::SLOT_COUNT];

int WidthOf(const CImage& image)
{
    return image.IsOk() ? image.GetWidth() : 0;
}

int HeightOf(const CImage& image)
{
    return image.IsOk() ? image.GetHeight() : 0;
}

void PasteStretched(CImage& dest, const CImage& source, const wxRect& cell)
{
    dest.PasteScaled(source, cell.width, cell.height, cell.x, cell.y);
}

// The cell filled with copies of the source from its top-left corner. One band of the cell's width is tiled and
// then pasted down the cell: the same pixels as tiling the whole cell first, without a cell-sized image.
void PasteTiled(CImage& dest, const CImage& source, const wxRect& cell)
{
    CImage band(cell.width, std::min(source.GetHeight(), cell.height), false);  // Tile covers every pixel
    band.Tile(source, 0);
    for (int y = cell.y; y < cell.y + cell.height; y += band.GetHeight())
        dest.Paste(band, cell.x, y, cell);
}

// Places a source along one axis of a cell: `along` is the cell's length on that axis and `sourceLength` the
// source's; the result is the offset at which the source is pasted at natural size, or -1 to stretch it, or -2 to
// tile it.
int PlacementOffset(int mode, int along, int sourceLength)
{
    switch (mode)
    {
        case CBackground::MODE_STRETCH:
            return -1;
        case CBackground::MODE_CENTER: {
            const int offset = (along - sourceLength) / 2;
            return offset < 0 ? -1 : offset;
        }
        case CBackground::MODE_START:
            return sourceLength > along ? -1 : 0;
        case CBackground::MODE_END: {
            const int diff = along - sourceLength;
            return diff < 0 ? -1 : diff;
        }
        default:
            return -2;
    }
}

void Place(CImage& dest, const CImage& source, int mode, const wxRect& cell, bool vertical)
{
    const int offset = vertical ? PlacementOffset(mode, cell.height, source.GetHeight())
                                : PlacementOffset(mode, cell.width, source.GetWidth());
    if (offset == -1)
        PasteStretched(dest, source, cell);
    else if (offset == -2)
        PasteTiled(dest, source, cell);
    else if (vertical)
        dest.Paste(source, cell.x, cell.y + offset);
    else
        dest.Paste(source, cell.x + offset, cell.y);
}

CImage Canvas(int width, int height, bool transparent)
{
    CImage canvas(width, height);
    if (transparent)
        canvas.ClearAlpha(width, height);
    return canvas;
}

// fit and widefit scale the middle over the whole size, keeping its proportions, and centre it; the borders drawn
// later cover its edges.
void PasteFitted(CImage& out, const CImage& middle, bool wide)
{
    const double sx = static_cast<double>(out.GetWidth()) / middle.GetWidth();
    const double sy = static_cast<double>(out.GetHeight()) / middle.GetHeight();
    const double s = wide ? std::max(sx, sy) : std::min(sx, sy);
    const double scaledWidth = middle.GetWidth() * s;
    const double scaledHeight = middle.GetHeight() * s;
    // Only the part that lands on the composed image is scaled, so an image far from the area's proportions (a
    // thin strip, say) costs no more than the area; a size beyond what an image can have is not drawn.
    if (scaledWidth >= INT_MAX || scaledHeight >= INT_MAX)
        return;
    const int width = static_cast<int>(scaledWidth);
    const int height = static_cast<int>(scaledHeight);
    if (width <= 0 || height <= 0)
        return;
    out.PasteScaled(middle, width, height, (out.GetWidth() - width) / 2, (out.GetHeight() - height) / 2);
}

void ComposeMiddle(CImage& out, const CBackgroundRefData& data, const wxRect& content, bool transparent)
{
    const CImage& middle = data.m_images[CBackground::M];
    if (!middle.IsOk() || content.width <= 0 || content.height <= 0)
        return;
    const int mode = data.m_modes[CBackground::M];
    const int mw = middle.GetWidth();
    const int mh = middle.GetHeight();
    if (mode == CBackground::MODE_FIT || mode == CBackground::MODE_WIDEFIT)
    {
        PasteFitted(out, middle, mode == CBackground::MODE_WIDEFIT);
    }
    else if (mode == CBackground::MODE_CENTER && data.m_vmode != CBackground::MODE_TILE)
    {
        // Centred within the content size, but measured from the image's own top-left corner.
        out.Paste(middle, (content.width - mw) / 2, (content.height - mh) / 2);
    }
    else if (mode == CBackground::MODE_CENTER)
    {
        CImage strip = Canvas(mw, content.height, transparent);
        strip.Tile(middle, 0);
        out.Paste(strip, (content.width - mw) / 2, 0);
    }
    else
    {
        CImage strip = Canvas(content.width, mh, transparent);
        Place(strip, middle, mode, wxRect(0, 0, content.width, mh), false);
        Place(out, strip, data.m_vmode, content, true);
    }
}

void ComposeCorners(CImage& out, const Images& images)
{
    const int width = out.GetWidth();
    const int height = out.GetHeight();
    const CImage& tl = images[CBackground::TL];
    const CImage& tr = images[CBackground::TR];
    const CImage& bl = images[CBackground::BL];
    const CImage& br = images[CBackground::BR];
    // Corners larger than the size never start before the end of the corner drawn before them.
    if (tl.IsOk())
        out.Paste(tl, 0, 0);
    if (bl.IsOk())
        out.Paste(bl, 0, std::max(height - bl.GetHeight(), HeightOf(tl)));
    if (tr.IsOk())
        out.Paste(tr, std::max(width - tr.GetWidth(), WidthOf(tl)), 0);
    if (br.IsOk())
        out.Paste(br, std::max(width - br.GetWidth(), WidthOf(bl)), std::max(height - br.GetHeight(), HeightOf(tr)));
}

void PlaceEdge(CImage& out, const CBackgroundRefData& data, int slot, const wxRect& cell, bool vertical)
{
    const CImage& image = data.m_images[slot];
    const int length = vertical ? cell.height : cell.width;
    if (image.IsOk() && length > 0)
        Place(out, image, data.m_modes[slot], cell, vertical);
}

void ComposeEdges(CImage& out, const CBackgroundRefData& data)
{
    const int width = out.GetWidth();
    const int height = out.GetHeight();
    auto size = [&](int slot) {
        const CImage& image = data.m_images[slot];
        return image.IsOk() ? image.GetSize() : wxSize();
    };
    const wxSize l = size(CBackground::L), r = size(CBackground::R), t = size(CBackground::T), b = size(CBackground::B);
    const wxSize tl = size(CBackground::TL), tr = size(CBackground::TR);
    const wxSize bl = size(CBackground::BL), br = size(CBackground::BR);
    PlaceEdge(out, data, CBackground::L, wxRect(0, tl.y, l.x, height - bl.y - tl.y), true);
    PlaceEdge(out, data, CBackground::R, wxRect(width - r.x, tr.y, r.x, height - br.y - tr.y), true);
    PlaceEdge(out, data, CBackground::T, wxRect(tl.x, 0, width - tr.x - tl.x, t.y), false);
    PlaceEdge(out, data, CBackground::B, wxRect(bl.x, height - b.y, width - br.x - bl.x, b.y), false);
}
}  // namespace

CImage CBackground::Compose(int width, int height, bool transparent) const
{
    CImage out = Canvas(width, height, transparent);
    ComposeMiddle(out, *Data(), GetContentRect(width, height), transparent);
    ComposeCorners(out, Data()->m_images);
    ComposeEdges(out, *Data());
    return out;
}
