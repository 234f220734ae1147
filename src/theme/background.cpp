#include "theme/background.h"

#include <wx/dc.h>

#include "theme/keyword.h"

wxIMPLEMENT_DYNAMIC_CLASS(CBackground, wxObject);

namespace
{
int WidthOf(const CImage& image)
{
    return image.IsOk() ? image.GetWidth() : 0;
}

int HeightOf(const CImage& image)
{
    return image.IsOk() ? image.GetHeight() : 0;
}

const CImage kNoImage;
}  // namespace

CBackgroundRefData::CBackgroundRefData(const CBackgroundRefData& other) : wxObjectRefData()
{
    for (int i = 0; i < CBackground::SLOT_COUNT; ++i)
    {
        m_images[i] = other.m_images[i];
        m_modes[i] = other.m_modes[i];
    }
    m_vmode = other.m_vmode;
}

CBackground::CBackground(const CBackground& other) : wxObject()
{
    Ref(other);
}

CBackground& CBackground::operator=(const CBackground& other)
{
    if (this != &other)
    {
        Ref(other);
        m_image = CImage();
        m_bitmap = wxNullBitmap;
    }
    return *this;
}

wxObjectRefData* CBackground::CreateRefData() const
{
    return new CBackgroundRefData;
}

wxObjectRefData* CBackground::CloneRefData(const wxObjectRefData* data) const
{
    return new CBackgroundRefData(*static_cast<const CBackgroundRefData*>(data));
}

CBackgroundRefData* CBackground::WritableData()
{
    AllocExclusive();
    m_image = CImage();
    m_bitmap = wxNullBitmap;
    return static_cast<CBackgroundRefData*>(m_refData);
}

int CBackground::ParseMode(const wxString& name)
{
    static const CKeyword kModes[] = {{"tile", MODE_TILE}, {"stretch", MODE_STRETCH}, {"center", MODE_CENTER},
                                      {"fit", MODE_FIT},   {"widefit", MODE_WIDEFIT}, {"left", MODE_START},
                                      {"top", MODE_START}, {"right", MODE_END},       {"bottom", MODE_END}};
    return FindKeyword(kModes, name, false);
}

void CBackground::SetSlot(Slot slot, const CImage& image, int mode)
{
    CBackgroundRefData* data = WritableData();
    data->m_images[slot] = image;
    data->m_modes[slot] = mode;
}

void CBackground::SetVerticalMode(int mode)
{
    WritableData()->m_vmode = mode;
}

const CImage& CBackground::GetSlotImage(Slot slot) const
{
    return Data() ? Data()->m_images[slot] : kNoImage;
}

int CBackground::GetSlotMode(Slot slot) const
{
    return Data() ? Data()->m_modes[slot] : 0;
}

int CBackground::GetVerticalMode() const
{
    return Data() ? Data()->m_vmode : 0;
}

wxSize CBackground::GetLeftTop() const
{
    return wxSize(WidthOf(GetSlotImage(L)), HeightOf(GetSlotImage(T)));
}

wxSize CBackground::GetRightBottom() const
{
    return wxSize(WidthOf(GetSlotImage(R)), HeightOf(GetSlotImage(B)));
}

wxSize CBackground::GetBorderSize() const
{
    return GetLeftTop() + GetRightBottom();
}

wxRect CBackground::GetContentRect(int width, int height) const
{
    const wxSize lt = GetLeftTop();
    const wxSize rb = GetRightBottom();
    return wxRect(lt.x, lt.y, width - rb.x - lt.x, height - rb.y - lt.y);
}

wxSize CBackground::GetNaturalSize() const
{
    const CImage& middle = GetSlotImage(M);
    return wxSize(WidthOf(GetSlotImage(L)) + WidthOf(middle) + WidthOf(GetSlotImage(R)),
                  HeightOf(GetSlotImage(T)) + HeightOf(middle) + HeightOf(GetSlotImage(B)));
}

void CBackground::Prepare(int, int, int width, int height, bool transparent)
{
    // A zero or negative size cannot be composed; it leaves the caches as they were.
    if (!Data() || width <= 0 || height <= 0)
        return;
    if (m_image.IsOk() && m_image.GetWidth() == width && m_image.GetHeight() == height)
        return;
    m_image = Compose(width, height, transparent);
    m_bitmap = wxNullBitmap;
}

void CBackground::Draw(wxDC& dc, int x, int y, int width, int height)
{
    Prepare(x, y, width, height, true);
    if (Data() && width > 0 && height > 0)
        m_image.DrawAt(dc, x, y, &m_bitmap);
}
