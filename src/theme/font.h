#pragma once
// CFont: a theme font, a wxFont together with the colour its text is drawn in.
//
// A new font is the platform's normal GUI font in black. The registry owns the named fonts; controls copy them
// (the font data is shared) or keep a pointer to the registry's object. GUI thread only.
#include <wx/colour.h>
#include <wx/font.h>

class wxXmlNode;

class CFont : public wxFont
{
public:
    CFont();
    ~CFont() override;

    void SetTextColour(const wxColour& colour) { m_colour = colour; }
    const wxColour& GetTextColour() const { return m_colour; }

    // Applies the attributes of a font element in document order (names and keywords without regard to case):
    // family, weight, style ("italic|underline"), size in points, face and color. Unknown attributes and values
    // are ignored; only a size that is not a number is logged. Attributes that are absent leave the font as it is.
    void ApplyElement(const wxXmlNode* element);

private:
    void ApplyAttribute(const wxString& name, const wxString& value);
    void ApplyStyleWords(const wxString& words);

    wxColour m_colour;
};
