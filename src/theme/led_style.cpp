#include "theme/led_style.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/dir.h"
#include "storage/xml_helpers.h"
#include "theme/theme_files.h"

namespace
{
const CImage kNullImage;
}  // namespace

bool CLedStyle::Create(const wxXmlNode* led, const wxXmlNode* indexRoot, const CDir& folder)
{
    for (const wxXmlAttribute* attribute = led ? led->GetAttributes() : nullptr; attribute;
         attribute = attribute->GetNext())
    {
        if (attribute->GetName().CmpNoCase("posx") == 0)
            m_posx = AttributeToInt(attribute->GetValue(), 0);
        else if (attribute->GetName().CmpNoCase("posy") == 0)
            m_posy = AttributeToInt(attribute->GetValue(), 0);
    }
    bool ok = true;
    for (const wxXmlNode* child = indexRoot ? indexRoot->GetChildren() : nullptr; child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (child->GetName() == "image")
            ok = ReadImage(child, folder) && ok;
        else
            wxLogError("Unexpected tag %s at %s", child->GetName(), NodeLocation(child));
    }
    if (m_images.empty())
    {
        wxLogError("Led has no valid image");
        return false;
    }
    return ok;
}

bool CLedStyle::ReadImage(const wxXmlNode* element, const CDir& folder)
{
    wxString file;
    if (!element->GetAttribute("file", &file))
    {
        wxLogError("Unknown tag %s in led", element->GetName());
        return true;
    }
    CImage image;
    if (!LoadImageFile(folder, file, image))
    {
        wxLogError("Loading image %s failed", PathInDirectory(folder, file));
        return false;
    }
    wxString value;
    if (!element->GetAttribute("value", &value))
        wxLogWarning("Missing value in led for file %s, taken as default", file);
    m_images[value] = image;
    return true;
}

const CImage& CLedStyle::GetImage(const wxString& value) const
{
    auto found = m_images.find(value);
    if (found == m_images.end())
        found = m_images.find(wxString());
    return found == m_images.end() ? kNullImage : found->second;
}

CLedStyle* FindLed(const CLedStyleMap& leds, const wxString& id)
{
    auto found = leds.find(id);
    if (found != leds.end())
        return found->second.get();
    wxLogError("Led %s does not exist", id);
    return nullptr;
}

void ReadInfoLed(const wxXmlNode* element, const CDir& dir, CLedStyleMap& leds)
{
    const wxString id = element->GetAttribute("id", wxString());
    if (id.empty())
    {
        wxLogError("Led without name!");
        return;
    }
    if (leds.count(id))
    {
        wxLogError("Led %s already exist!", id);
        return;
    }
    const wxString folderName = element->GetAttribute("folder", wxString());
    const CDir folder = dir.GetDir(folderName);
    if (!IsValidDirectory(folder) || !folder.FileExists("index.xml"))
    {
        const wxString folderPath = IsValidDirectory(folder) ? folder.GetPath() : PathInDirectory(dir, folderName);
        wxLogError("Loading image %s failed", folderPath + "/");
        return;
    }
    const std::unique_ptr<wxXmlNode> index = LoadXmlFile(folder, "index.xml");
    if (!index)
    {
        wxLogError("Failed to load index.xml for Led %s", id);
        return;
    }
    auto style = std::make_unique<CLedStyle>();
    if (!style->Create(element, index.get(), folder))
    {
        wxLogError("Failed to create Led %s", id);
        return;
    }
    leds[id] = std::move(style);
}
