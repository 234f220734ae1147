#include "links/orv_link_sequential.h"

#include <wx/xml/xml.h>

#include "links/link_set.h"

int COrvLinkSequential::Init(wxXmlNode* element)
{
    if (!element)
        return 0;
    if (!element->GetChildren())
        return 1;
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName().CmpNoCase("link") != 0)
            continue;
        if (m_linkSet->Create(child, &m_children, nullptr) < 0)
            return -1;
    }
    return m_children.empty() ? 1 : 0;
}

bool COrvLinkSequential::SetValueString(const wxString& text)
{
    for (COrvLinkBase* child : m_children)
    {
        if (!child->SetValueString(text))
            return false;
    }
    return true;
}

bool COrvLinkSequential::SetValue(int on)
{
    for (COrvLinkBase* child : m_children)
    {
        if (!child->SetValue(on))
            return false;
    }
    return true;
}

int COrvLinkSequential::GetValue(wxString& value)
{
    return CLinkSet::GetValueString(m_children, value);
}

int COrvLinkSequential::GetInt(int& value)
{
    value = 0;
    if (!m_children.empty() && m_children.front()->GetInt(value) < 0)
        return -1;
    return 0;
}

int COrvLinkSequential::GetBool(bool& value)
{
    value = true;
    for (COrvLinkBase* child : m_children)
    {
        if (child->GetBool(value) < 0)
            return -1;
        if (!value)
            break;
    }
    return 0;
}

bool COrvLinkSequential::GetRange(wxString& text)
{
    return !m_children.empty() && m_children.front()->GetRange(text);
}

bool COrvLinkSequential::GetChannels(wxString& text)
{
    return !m_children.empty() && m_children.front()->GetChannels(text);
}

bool COrvLinkSequential::GetDims(wxString& text)
{
    return !m_children.empty() && m_children.front()->GetDims(text);
}

bool COrvLinkSequential::GetLogScale(wxString& text)
{
    return !m_children.empty() && m_children.front()->GetLogScale(text);
}

bool COrvLinkSequential::GetStep(wxString& text)
{
    return !m_children.empty() && m_children.front()->GetStep(text);
}

bool COrvLinkSequential::HasValueOff() const
{
    for (COrvLinkBase* child : m_children)
    {
        if (child->HasValueOff())
            return true;
    }
    return false;
}
