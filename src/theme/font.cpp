#include "theme/font.h"

#include <wx/gdicmn.h>
#include <wx/settings.h>
#include <wx/tokenzr.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"
#include "theme/keyword.h"

namespace
{
const CKeyword kFamilies[] = {{"default", wxFONTFAMILY_DEFAULT},  {"decorative", wxFONTFAMILY_DECORATIVE},
                              {"roman", wxFONTFAMILY_ROMAN},      {"script", wxFONTFAMILY_SCRIPT},
                              {"swiss", wxFONTFAMILY_SWISS},      {"modern", wxFONTFAMILY_MODERN},
                              {"teletype", wxFONTFAMILY_TELETYPE}};
const CKeyword kWeights[] = {
    {"normal", wxFONTWEIGHT_NORMAL}, {"light", wxFONTWEIGHT_LIGHT}, {"bold", wxFONTWEIGHT_BOLD}};
const CKeyword kStyles[] = {
    {"normal", wxFONTSTYLE_NORMAL}, {"italic", wxFONTSTYLE_ITALIC}, {"slant", wxFONTSTYLE_SLANT}};
}  // namespace

CFont::CFont() : wxFont(*wxNORMAL_FONT), m_colour(*wxBLACK) {}

CFont::~CFont() = default;

void CFont::ApplyElement(const wxXmlNode* element)
{
    for (const wxXmlAttribute* attribute = element ? element->GetAttributes() : nullptr; attribute;
         attribute = attribute->GetNext())
        ApplyAttribute(attribute->GetName(), attribute->GetValue());
}

void CFont::ApplyAttribute(const wxString& name, const wxString& value)
{
    if (name.CmpNoCase("family") == 0)
    {
        const int family = FindKeyword(kFamilies, value, true);
        if (family >= 0)
            SetFamily(static_cast<wxFontFamily>(family));
    }
    else if (name.CmpNoCase("weight") == 0)
    {
        const int weight = FindKeyword(kWeights, value, true);
        if (weight >= 0)
            SetWeight(static_cast<wxFontWeight>(weight));
    }
    else if (name.CmpNoCase("style") == 0)
        ApplyStyleWords(value);
    else if (name.CmpNoCase("size") == 0)
    {
        const int size = AttributeToInt(value, 0);
        if (size >= 1)
            SetPointSize(size);
    }
    else if (name.CmpNoCase("face") == 0 && !value.empty())
        SetFaceName(value);
    else if (name.CmpNoCase("color") == 0)
    {
        wxColour colour;
        if (colour.Set(value))
            m_colour = colour;
    }
}

void CFont::ApplyStyleWords(const wxString& words)
{
    wxStringTokenizer tokens(words, "|", wxTOKEN_RET_EMPTY_ALL);
    while (tokens.HasMoreTokens())
    {
        const wxString word = tokens.GetNextToken();
        const int style = FindKeyword(kStyles, word, true);
        if (style >= 0)
            SetStyle(static_cast<wxFontStyle>(style));
        else if (word.CmpNoCase("underline") == 0)
            SetUnderlined(true);
    }
}
