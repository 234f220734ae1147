#pragma once
// CInfoStyle: the theme's look of info indicators: the font of text infos, the LED styles that LED infos name,
// and the VU style of VU-meter infos.
//
// At most one, owned by the style registry; a later info element of the theme (or of a theme built on it) updates
// it in place. GUI thread only.
#include <memory>

#include <wx/object.h>

#include "theme/led_style.h"
#include "theme/vu_style.h"

class CDir;
class CFont;
class CStyleRegistry;
class wxXmlNode;

class CInfoStyle : public wxObject
{
public:
    CInfoStyle();
    ~CInfoStyle() override;
    CInfoStyle(const CInfoStyle&) = delete;
    CInfoStyle& operator=(const CInfoStyle&) = delete;

    // Reads the text, led and vu children of an info element (LED folders relative to `dir`); fonts and
    // backgrounds come from the registry. False only without an element.
    bool Create(const wxXmlNode* info, const CDir& dir, const CStyleRegistry& registry);

    const CFont* GetTextFont() const { return m_textFont; }
    // The LED style of the id, or null after the error "Led <id> does not exist".
    CLedStyle* GetLed(const wxString& id) const;
    // The VU style, or null when the theme defines none.
    CVuStyle* GetVuStyle() const { return m_vu.get(); }

private:
    void ReadText(const wxXmlNode* text, const CStyleRegistry& registry);

    const CFont* m_textFont = nullptr;  // a registry font, not owned
    CLedStyleMap m_leds;
    std::unique_ptr<CVuStyle> m_vu;
};
