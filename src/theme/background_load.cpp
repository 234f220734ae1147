// Reading a background definition: one child element per slot, each naming an image file or a flat colour.
#include "theme/background.h"

#include <cmath>

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/dir.h"
#include "storage/xml_helpers.h"
#include "theme/theme_files.h"

namespace
{
const char* const kSlotNames[CBackground::SLOT_COUNT] = {"tl", "t", "tr", "l", "m", "r", "bl", "b", "br"};

int SlotOf(const wxString& name)
{
    for (int i = 0; i < CBackground::SLOT_COUNT; ++i)
    {
        if (name == kSlotNames[i])
            return i;
    }
    return -1;
}

// A mode attribute's value; an unknown name is reported with `message` and counts as tile.
int ReadMode(const wxString& text, const char* message)
{
    const int mode = CBackground::ParseMode(text);
    if (mode >= 0)
        return mode;
    wxLogError(message, text);
    return CBackground::MODE_TILE;
}

// Alpha of a colour slot from its transparency in percent; -1 for an opaque pixel without alpha.
int AlphaOfTransparency(int percent)
{
    if (percent <= 0)
        return -1;
    if (percent >= 100)
        return 0;
    return 255 - static_cast<int>(std::floor(percent * 2.55 + 0.5));
}

}  // namespace

bool CBackground::Load(const wxXmlNode* element, const CDir& dir)
{
    bool ok = true;
    for (const wxXmlNode* child = element ? element->GetChildren() : nullptr; child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        const int slot = SlotOf(child->GetName());
        if (slot >= 0)
            LoadSlot(child, slot, dir, ok);
    }
    return ok;
}

void CBackground::LoadSlot(const wxXmlNode* child, int slot, const CDir& dir, bool& ok)
{
    CBackgroundRefData* data = WritableData();
    wxString text;
    if (child->GetAttribute("mode", &text))
        data->m_modes[slot] = ReadMode(text, "Bad mode %s for image");
    if (slot == M)
    {
        if (child->GetAttribute("vmode", &text))
            data->m_vmode = ReadMode(text, "Bad vmode %s for image");
        else
            data->m_vmode = data->m_modes[M];
    }
    if (child->GetAttribute("file", &text))
    {
        if (!LoadImageFile(dir, text, data->m_images[slot]))
        {
            wxLogError("Loading image %s failed", PathInDirectory(dir, text));
            data->m_images[slot] = CImage();
            ok = false;
        }
    }
    else if (child->GetAttribute("color", &text))
    {
        LoadSlotColour(child, slot, text, ok);
    }
}

void CBackground::LoadSlotColour(const wxXmlNode* child, int slot, const wxString& text, bool& ok)
{
    wxColour colour;
    if (!colour.Set(text))
    {
        wxLogError("Bad colour %s", text);
        ok = false;
        return;
    }
    CBackgroundRefData* data = WritableData();
    CImage pixel(1, 1);
    pixel.SetRGB(0, 0, colour.Red(), colour.Green(), colour.Blue());
    wxString transparency;
    if (child->GetAttribute("transparency", &transparency))
    {
        const int alpha = AlphaOfTransparency(AttributeToInt(transparency, 0));
        if (alpha >= 0)
        {
            pixel.InitAlpha();
            pixel.SetAlpha(0, 0, static_cast<unsigned char>(alpha));
        }
    }
    data->m_images[slot] = pixel;
    data->m_modes[slot] = MODE_TILE;
    if (slot == M)
        data->m_vmode = MODE_TILE;
}
