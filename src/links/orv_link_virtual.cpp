#include "links/orv_link_virtual.h"

bool COrvLinkVirtual::GetRange(wxString& text)
{
    text.clear();
    return true;
}

bool COrvLinkVirtual::GetChannels(wxString& text)
{
    text = "none";
    return true;
}

bool COrvLinkVirtual::GetDims(wxString& text)
{
    text = "none";
    return true;
}

bool COrvLinkVirtual::GetLogScale(wxString& text)
{
    text = "none";
    return true;
}

bool COrvLinkVirtual::GetStep(wxString& text)
{
    text = "none";
    return true;
}
