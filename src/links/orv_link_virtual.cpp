#include "links/orv_link_virtual.h"

namespace
{
// What a computed link answers to the device queries other than the range.
bool NoDeviceAnswer(wxString& text)
{
    text = "none";
    return true;
}
}  // namespace

bool COrvLinkVirtual::GetRange(wxString& text)
{
    text.clear();
    return true;
}

bool COrvLinkVirtual::GetChannels(wxString& text)
{
    return NoDeviceAnswer(text);
}

bool COrvLinkVirtual::GetDims(wxString& text)
{
    return NoDeviceAnswer(text);
}

bool COrvLinkVirtual::GetLogScale(wxString& text)
{
    return NoDeviceAnswer(text);
}

bool COrvLinkVirtual::GetStep(wxString& text)
{
    return NoDeviceAnswer(text);
}
