#include "theme/vu_style.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"
#include "theme/keyword.h"
#include "theme/style_registry.h"

bool CVuStyle::Create(const wxXmlNode* vu, const CDir& dir, const CStyleRegistry& registry)
{
    wxString text;
    if (!vu->GetAttribute("background", &text))
        wxLogError("Info style vu background not defined");
    else
        CBackground::operator=(registry.GetBackground(text));
    if (vu->GetAttribute("label-font", &text))
        m_labelFont = registry.GetFont(text);
    if (vu->GetAttribute("label-position", &text))
    {
        const int position = LabelPositionFromString(text);
        m_labelPosition = position < 0 ? LABEL_BOTTOM_RIGHT : position;
    }
    for (const wxXmlNode* child = vu->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (child->GetName() == "led")
            ReadInfoLed(child, dir, m_leds);
        else
            wxLogError("Unexpected tag %s at %s", child->GetName(), NodeLocation(child));
    }
    return true;
}

CLedStyle* CVuStyle::GetLed(const wxString& id) const
{
    return FindLed(m_leds, id);
}

int CVuStyle::LabelPositionFromString(const wxString& text)
{
    static const CKeyword kNames[] = {{"tl", LABEL_TOP_LEFT},     {"topleft", LABEL_TOP_LEFT},
                                      {"tr", LABEL_TOP_RIGHT},    {"topright", LABEL_TOP_RIGHT},
                                      {"bl", LABEL_BOTTOM_LEFT},  {"bottomleft", LABEL_BOTTOM_LEFT},
                                      {"br", LABEL_BOTTOM_RIGHT}, {"bottomright", LABEL_BOTTOM_RIGHT}};
    return FindKeyword(kNames, text, true);
}
