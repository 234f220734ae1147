#include "links/orv_link_var.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/host.h"
#include "links/host_list.h"
#include "links/link_set.h"
#include "links/link_text.h"
#include "storage/xml_helpers.h"

COrvLinkVar::~COrvLinkVar()
{
    if (m_host)
        m_host->RemoveLink(m_variable, this);
}

int COrvLinkVar::Init(wxXmlNode* element)
{
    m_errorText.clear();
    const wxString alias = GetInheritedAttribute(element, "host", wxString(), true);
    m_variable = GetInheritedAttribute(element, "variable", wxString(), true);
    m_value = GetInheritedAttribute(element, "value", wxString(), true);
    m_valueOff = GetInheritedAttribute(element, "valueoff", wxString(), true);
    m_format = GetInheritedAttribute(element, "format", wxString(), true);
    if (m_variable.empty())
    {
        m_errorText = "Missing variable";
        return -1;
    }
    CHostList* hosts = m_linkSet ? m_linkSet->GetHostList() : nullptr;
    m_host = hosts ? hosts->FindHost(alias) : nullptr;
    if (!m_host)
    {
        m_errorText = alias.empty() ? wxString("Missing host property") : wxString::Format("Bad host '%s'", alias);
        return -1;
    }
    if (!ReadChildren(element))
        return -1;
    if (!m_host->AddLink(m_variable, this))
    {
        m_errorText = wxString::Format("Host '%s' can not link variable '%s'", alias, m_variable);
        // Nothing to detach: the host kept no record.
        m_host = nullptr;
        return -1;
    }
    return 0;
}

bool COrvLinkVar::ReadChildren(wxXmlNode* element)
{
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (child->GetName().CmpNoCase("dynvalue") != 0)
            wxLogWarning("Unexpected '%s' tag in variable link at %s ", child->GetName(), NodeLocation(child));
        else if (m_dynValue)
            wxLogWarning("Unexpected '%s' tag in variable link (already defined) at %s ", child->GetName(),
                         NodeLocation(child));
        else if (!CreateDynamicValue(child))
            return false;
    }
    return true;
}

bool COrvLinkVar::CreateDynamicValue(wxXmlNode* dynvalue)
{
    for (wxXmlNode* child = dynvalue->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName().CmpNoCase("link") != 0)
            continue;
        if (m_linkSet->Create(child, nullptr, &m_dynValue) < 0)
        {
            wxLogWarning("Can not create link at %s", NodeLocation(child));
            return false;
        }
        return true;
    }
    return true;
}

void COrvLinkVar::OnValue(const wxString& value)
{
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        m_current = value;
        SetValid(true);
    }
    NotifyControl();
}

bool COrvLinkVar::Current(wxString& current) const
{
    std::lock_guard<std::mutex> guard(m_stateLock);
    if (!IsValid())
        return false;
    current = m_current;
    return true;
}

bool COrvLinkVar::GetRequestedValue(int on, wxString& value)
{
    if (on == 1)
    {
        if (m_dynValue)
            return m_dynValue->GetValue(value) >= 0;
        value = m_value;
        return true;
    }
    if (on == 0 && HasValueOff())
    {
        value = m_valueOff;
        return true;
    }
    return false;
}

bool COrvLinkVar::SetValue(int on)
{
    wxString value;
    return GetRequestedValue(on, value) && SetValueString(value);
}

bool COrvLinkVar::SetValueString(const wxString& text)
{
    return m_host && m_host->SetVarValue(m_variable, text);
}

int COrvLinkVar::GetValue(wxString& value)
{
    wxString current;
    if (!Current(current))
        return -1;
    if (m_format.empty())
        value = current;
    else
    {
        value = m_format;
        value.Replace("%VALUE%", current);
    }
    return 0;
}

int COrvLinkVar::GetInt(int& value)
{
    wxString current;
    if (!Current(current))
        return -1;
    value = EqualsNoCase(m_value, current) ? 1 : 0;
    return 0;
}

int COrvLinkVar::GetBool(bool& value)
{
    wxString current;
    if (!Current(current))
        return -1;
    wxString on = m_value;
    if (m_dynValue && m_dynValue->GetValue(on) < 0)
        return -1;
    value = EqualsNoCase(on, current);
    return 0;
}

bool COrvLinkVar::Query(const wxString& kind, wxString& text)
{
    return IsValid() && m_host && m_host->SendCommand(kind + " " + m_variable, text);
}

bool COrvLinkVar::GetRange(wxString& text)
{
    return Query("range", text);
}

bool COrvLinkVar::GetChannels(wxString& text)
{
    return Query("channels", text);
}

bool COrvLinkVar::GetDims(wxString& text)
{
    return Query("dims", text);
}

bool COrvLinkVar::GetLogScale(wxString& text)
{
    return Query("logscale", text);
}

bool COrvLinkVar::GetStep(wxString& text)
{
    return Query("step", text);
}
