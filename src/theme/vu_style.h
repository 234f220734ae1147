#pragma once
// CVuStyle: the look of VU-meter infos: a background (a copy of a named background of the theme), the LED styles
// of the bar ("vu") and the peak marker ("peak"), the label font and the default corner of the label.
//
// Owned by the info style, built while the theme loads and updated in place by a later vu element. GUI thread only.
#include "theme/background.h"
#include "theme/led_style.h"

class CFont;
class CStyleRegistry;

class CVuStyle : public CBackground
{
public:
    enum LabelPosition
    {
        LABEL_TOP_LEFT,
        LABEL_TOP_RIGHT,
        LABEL_BOTTOM_LEFT,
        LABEL_BOTTOM_RIGHT
    };

    CVuStyle() = default;
    CVuStyle(const CVuStyle&) = delete;
    CVuStyle& operator=(const CVuStyle&) = delete;

    // Reads a vu element: background, label-font, label-position and its led children (LED folders relative to
    // `dir`); backgrounds and fonts are looked up in the registry. Always true.
    bool Create(const wxXmlNode* vu, const CDir& dir, const CStyleRegistry& registry);

    // The LED style of the id, or null after the error "Led <id> does not exist".
    CLedStyle* GetLed(const wxString& id) const;
    const CFont* GetLabelFont() const { return m_labelFont; }
    int GetLabelPosition() const { return m_labelPosition; }

    // "tl"/"topleft", "tr"/"topright", "bl"/"bottomleft", "br"/"bottomright" in any case; -1 for anything else.
    static int LabelPositionFromString(const wxString& text);

private:
    CLedStyleMap m_leds;
    const CFont* m_labelFont = nullptr;  // a registry font, not owned
    int m_labelPosition = LABEL_BOTTOM_RIGHT;
};
