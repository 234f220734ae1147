#include "theme/font.h"

#include <wx/gdicmn.h>
#include <wx/settings.h>
#include <wx/tokenzr.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"

namespace
{
struct Keyword
{
    const char* name;
    int value;
};

const Keyword kFamilies[] = {{"default", wxFONTFAMILY_DEFAULT},  {"decorative", wxFONTFAMILY_DECORATIVE},
                             {"roman", wxFONTFAMILY_ROMAN},      {"script", wxFONTFAMILY_SCRIPT},
                             {"swiss", wxFONTFAMILY_SWISS},      {"modern", wxFONTFAMILY_MODERN},
                             {"teletype", wxFONTFAMILY_TELETYPE}};
const Keyword kWeights[] = {
    {"normal", wxFONTWEIGHT_NORMAL}, {"light", wxFONTWEIGHT_LIGHT}, {"bold", wxFONTWEIGHT_BOLD}};
const Keyword kStyles[] = {
    {"normal", wxFONTSTYLE_NORMAL}, {"italic", wxFONTSTYLE_ITALIC}, {"slant", wxFONTSTYLE_SLANT}};

template <size_t N>
bool FindKeyword(const Keyword (&table)[N], const wxString& text, int& value)
{
    for (const Keyword& keyword : table)
    {
        if (text.CmpNoCase(keyword.name) == 0)
        {
            value = keyword.value;
            return true;
        }
    }
    return false;
}
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
    int keyword = 0;
    if (name.CmpNoCase("family") == 0 && FindKeyword(kFamilies, value, keyword))
        SetFamily(static_cast<wxFontFamily>(keyword));
    else if (name.CmpNoCase("weight") == 0 && FindKeyword(kWeights, value, keyword))
        SetWeight(static_cast<wxFontWeight>(keyword));
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
        int style = 0;
        if (FindKeyword(kStyles, word, style))
            SetStyle(static_cast<wxFontStyle>(style));
        else if (word.CmpNoCase("underline") == 0)
            SetUnderlined(true);
    }
}
