#pragma once
// CImage: a wxImage with the panel's own compositing (Paste), tiling and cached drawing helpers.
//
// Every skinned surface is built from these. Pixels are RGB with an optional alpha channel; an image that carries
// a mask instead has the mask turned into alpha before it takes part in compositing. The drawing helpers keep their
// bitmaps in caches owned by the caller, so a control that paints the same image again only blits.
// GUI thread only.
#include <wx/gdicmn.h>
#include <wx/image.h>

class wxBitmap;
class wxDC;

class CImage : public wxImage
{
public:
    CImage() = default;
    CImage(const wxImage& image) : wxImage(image) {}  // NOLINT: implicit on purpose, images convert freely
    // A width x height image, black when clear is set; no alpha channel.
    CImage(int width, int height, bool clear = true) : wxImage(width, height, clear) {}

    // Composites the source onto this image at (x, y); everything outside this image is clipped.
    // Source alpha a over destination alpha A: a = 0 keeps the pixel, a = 255 or A = 0 takes the source, otherwise
    // each colour becomes floor(D * A/255 * (1 - a/255) + S * a/255 + 0.5) and the alpha min(A + a, 255).
    void Paste(const wxImage& source, int x, int y);
    // The same, changing only pixels inside `clip` (a rectangle of this image).
    void Paste(const wxImage& source, int x, int y, const wxRect& clip);
    // Pastes the source scaled to width x height with high quality at (x, y): the same pixels as
    // Paste(source.Scale(width, height, wxIMAGE_QUALITY_HIGH), x, y) within the toolkit filter's rounding (see
    // CImageScaler), but only the part that lands on this image is scaled, a row at a time.
    void PasteScaled(const wxImage& source, int width, int height, int x, int y);
    // Copies the source's pixels without blending: the covered area becomes exactly the source, opaque when the
    // source has no alpha.
    void CopyFrom(const wxImage& source, int x, int y);
    // Fills the whole image with copies of the source, rows from the top; the first column starts at the offset,
    // moved left by whole source widths until the image is covered from x = 0.
    void Tile(const wxImage& source, int xOffset);
    // Gives the image an alpha channel and makes the width x height area at the top left fully transparent.
    void ClearAlpha(int width, int height);

    // The drawing helpers do nothing when the image is not OK. A cache that is given is filled on first use and
    // reused afterwards; bitmaps are always drawn with their mask.
    void DrawAt(wxDC& dc, int x, int y, wxBitmap* cache = nullptr) const;
    void DrawClipped(wxDC& dc, int x, int y, const wxRect& clip, wxBitmap* cache = nullptr) const;
    void DrawScaled(wxDC& dc, int x, int y, int width, int height, wxBitmap* cache = nullptr) const;
    // Draws the image repeated downward over the height. A cache is a strip of the image's width that only grows
    // when a taller strip is asked for.
    void DrawTiledDown(wxDC& dc, int x, int y, int width, int height, wxBitmap* cache = nullptr) const;
    void DrawTiled(wxDC& dc, int x, int y, int width, int height) const;

private:
    // Unshares this image and turns its mask into alpha, or gives it alpha when the source has alpha; returns the
    // source with its own mask turned into alpha.
    wxImage ReadyFor(const wxImage& source);
};
