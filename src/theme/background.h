#pragma once
// CBackground: a nine-slot skin (four corners, four edges, a middle) made of images or flat colours, composed into
// one image of any requested size and cached for that size.
//
// Copies share the slot images and modes (CBackgroundRefData, copy-on-write when a copy is loaded again) and each
// keeps its own composed image and bitmap, so every control can hold its own copy at its own size. A background
// without data is the empty background: it draws nothing. GUI thread only; the reference count is not atomic.
#include <wx/bitmap.h>
#include <wx/gdicmn.h>
#include <wx/object.h>

#include "theme/image.h"

class wxDC;
class wxXmlNode;
class CDir;

class CBackgroundRefData : public wxObjectRefData
{
public:
    CBackgroundRefData() = default;
    CBackgroundRefData(const CBackgroundRefData& other);

    CImage m_images[9];  // slot order tl, t, tr, l, m, r, bl, b, br; an image may be empty (not OK)
    int m_modes[9] = {};
    int m_vmode = 0;  // vertical placement of the middle
};

class CBackground : public wxObject
{
public:
    enum Slot
    {
        TL,
        T,
        TR,
        L,
        M,
        R,
        BL,
        B,
        BR,
        SLOT_COUNT
    };
    enum Mode
    {
        MODE_TILE,
        MODE_STRETCH,
        MODE_CENTER,
        MODE_FIT,      // middle only; edges tile
        MODE_WIDEFIT,  // middle only; edges tile
        MODE_START,    // "left" or "top"
        MODE_END       // "right" or "bottom"
    };

    CBackground() = default;
    CBackground(const CBackground& other);
    CBackground& operator=(const CBackground& other);
    ~CBackground() override = default;

    // Reads the slot children of a definition element; images are files relative to the directory. Merges into
    // what the background already holds: slots that are not named keep their images and modes. False when an
    // image failed to load or a colour was invalid (the other slots are still read).
    bool Load(const wxXmlNode* element, const CDir& dir);

    // Mode number of a mode name ("tile", "stretch", ...; exact spelling), or -1.
    static int ParseMode(const wxString& name);

    bool IsEmpty() const { return m_refData == nullptr; }
    // Direct slot access, for backgrounds built in code.
    void SetSlot(Slot slot, const CImage& image, int mode);
    void SetVerticalMode(int mode);
    const CImage& GetSlotImage(Slot slot) const;
    int GetSlotMode(Slot slot) const;
    int GetVerticalMode() const;

    wxSize GetLeftTop() const;      // (width of l, height of t)
    wxSize GetRightBottom() const;  // (width of r, height of b)
    wxSize GetBorderSize() const;
    wxRect GetContentRect(int width, int height) const;  // the area inside the borders
    wxSize GetNaturalSize() const;                       // (l + m + r widths, t + m + b heights)

    // Composes the image for width x height unless the last composition already has that size (the position plays
    // no part). With transparent set the canvas starts fully transparent, otherwise black.
    void Prepare(int x, int y, int width, int height, bool transparent);
    // Prepares with transparency and draws the composed image at (x, y).
    void Draw(wxDC& dc, int x, int y, int width, int height);

    const CImage& GetComposedImage() const { return m_image; }
    wxBitmap& GetComposedBitmap() { return m_bitmap; }

protected:
    wxObjectRefData* CreateRefData() const override;
    wxObjectRefData* CloneRefData(const wxObjectRefData* data) const override;

private:
    const CBackgroundRefData* Data() const { return static_cast<const CBackgroundRefData*>(m_refData); }
    CBackgroundRefData* WritableData();  // creates or unshares the slot data and drops the caches
    void LoadSlot(const wxXmlNode* child, int slot, const CDir& dir, bool& ok);
    void LoadSlotColour(const wxXmlNode* child, int slot, const wxString& text, bool& ok);
    CImage Compose(int width, int height, bool transparent) const;

    CImage m_image;     // composed image of the last prepared size
    wxBitmap m_bitmap;  // made from m_image when it is first drawn

    wxDECLARE_DYNAMIC_CLASS(CBackground);
};
