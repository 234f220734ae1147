#include "theme/info_style.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"
#include "theme/style_registry.h"

CInfoStyle::CInfoStyle() = default;

CInfoStyle::~CInfoStyle() = default;

bool CInfoStyle::Create(const wxXmlNode* info, const CDir& dir, const CStyleRegistry& registry)
{
    if (!info)
        return false;
    for (const wxXmlNode* child = info->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        const wxString& name = child->GetName();
        if (name == "text")
        {
            ReadText(child, registry);
        }
        else if (name == "led")
        {
            ReadInfoLed(child, dir, m_leds);
        }
        else if (name == "vu")
        {
            if (!m_vu)
                m_vu = std::make_unique<CVuStyle>();
            m_vu->Create(child, dir, registry);
        }
        else
        {
            wxLogError("Unexpected tag %s at %s", name, NodeLocation(child));
        }
    }
    return true;
}

void CInfoStyle::ReadText(const wxXmlNode* text, const CStyleRegistry& registry)
{
    wxString font;
    if (!text->GetAttribute("font", &font))
    {
        wxLogError("Info style text font not defined");
        return;
    }
    m_textFont = registry.GetFont(font);
}

CLedStyle* CInfoStyle::GetLed(const wxString& id) const
{
    return FindLed(m_leds, id);
}
