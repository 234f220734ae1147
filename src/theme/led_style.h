#pragma once
// CLedStyle: the images an LED can show, one per value, and where the LED sits inside a control.
//
// Named LED styles are owned by the style registry; the info style and the VU style own private ones. Built while
// the theme loads and only read afterwards. GUI thread only.
#include <map>
#include <memory>

#include <wx/object.h>
#include <wx/string.h>

#include "theme/image.h"

class CDir;
class wxXmlNode;

class CLedStyle : public wxObject
{
public:
    // Reads posx/posy from the led element of the style file and one image per `image` child of the folder's
    // index root. Merges into what the style already holds: a value listed again replaces its image, others stay.
    // False when an image failed to load or the style ends up without any image.
    bool Create(const wxXmlNode* led, const wxXmlNode* indexRoot, const CDir& folder);

    // The image of the value, else the default image (empty value), else a null image.
    const CImage& GetImage(const wxString& value) const;

    // Negative positions count from the right or bottom edge of the control.
    int GetPosX() const { return m_posx; }
    int GetPosY() const { return m_posy; }
    size_t GetImageCount() const { return m_images.size(); }

private:
    bool ReadImage(const wxXmlNode* element, const CDir& folder);

    int m_posx = 0;
    int m_posy = 0;
    std::map<wxString, CImage> m_images;  // by value, case-sensitive; "" is the default image
};

// LED styles by id, owning them.
using CLedStyleMap = std::map<wxString, std::unique_ptr<CLedStyle>>;

// The LED style of the id, or null after the error "Led <id> does not exist".
CLedStyle* FindLed(const CLedStyleMap& leds, const wxString& id);

// Reads an `led` child of the info style or of a VU style into that style's own map: `id` names it, `folder` (a
// sub-directory of `dir`) holds its index.xml. A repeated id is refused; the first definition stays.
void ReadInfoLed(const wxXmlNode* element, const CDir& dir, CLedStyleMap& leds);
