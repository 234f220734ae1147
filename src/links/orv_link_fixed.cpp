#include "links/orv_link_fixed.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/link_text.h"

int COrvLinkFixed::Init(wxXmlNode* element)
{
    m_value = element ? element->GetAttribute("value", wxString()) : wxString();
    SetValid(true);
    NotifyControl();
    return 1;
}

int COrvLinkFixed::GetValue(wxString& value)
{
    value = m_value;
    return 1;
}

int COrvLinkFixed::GetInt(int& value)
{
    if (ParseDecimal(m_value, value))
        return 0;
    wxLogError("Link Virtual return no integer value, but this is needed here !");
    return -1;
}

int COrvLinkFixed::GetBool(bool& value)
{
    wxString text;
    GetValue(text);
    if (text == "0" || EqualsNoCase(text, "false") || text.empty())
        value = false;
    else if (text == "1" || EqualsNoCase(text, "true"))
        value = true;
    else
    {
        wxLogError("Link Virtual return no boolean value, but this is needed here !");
        return -1;
    }
    return 0;
}
