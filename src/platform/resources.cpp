#include "platform/resources.h"

#include <cstring>

#include <wx/image.h>
#include <wx/mstream.h>

#include "platform/resource_table.h"

namespace
{
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

wxImage DecodePng(const wxString& name)
{
    const CResourceBytes bytes = GetResourceBytes(name);
    if (bytes.size == 0)
        return wxImage();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(bytes.data, bytes.size);
    return wxImage(stream, wxBITMAP_TYPE_PNG);
}
}  // namespace

CResourceBytes GetResourceBytes(const wxString& name)
{
    CResourceBytes bytes;
    for (size_t i = 0; i < kResourceEntryCount; ++i)
    {
        if (name == kResourceEntries[i].name)
        {
            bytes.data = kResourceEntries[i].data;
            bytes.size = kResourceEntries[i].size;
            break;
        }
    }
    return bytes;
}

std::vector<int> GetProgramIconSizes()
{
    return std::vector<int>(std::begin(kIconSizes), std::end(kIconSizes));
}

wxIconBundle GetProgramIcons()
{
    wxIconBundle icons;
    for (int size : kIconSizes)
    {
        const wxImage image = DecodePng(wxString::Format("icon_%d.png", size));
        if (image.IsOk())
        {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            icons.AddIcon(icon);
        }
    }
    return icons;
}

wxBitmap GetLogoBitmap(bool large)
{
    const wxImage image = DecodePng(large ? "logo_31x29.png" : "logo_19x17.png");
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}
