#include "links/orv_link_choice.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "links/link_set.h"
#include "storage/xml_helpers.h"

namespace
{
bool Named(const wxXmlNode* node, const char* name)
{
    return node->GetName().CmpNoCase(name) == 0;
}
}  // namespace

COrvLinkChoice::CLogicNode& COrvLinkChoice::CLogicNode::Add(std::unique_ptr<CLogicNode> child)
{
    m_children.push_back(std::move(child));
    return *m_children.back();
}

bool COrvLinkChoice::CLogicNode::Read(COrvLinkChoice& owner, wxXmlNode* element)
{
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (Named(child, "and") || Named(child, "or"))
        {
            CLogicNode& node = Add(std::make_unique<CLogicNode>(Named(child, "and") ? kAnd : kOr));
            if (!node.Read(owner, child))
                return false;
        }
        else if (Named(child, "link"))
        {
            COrvLinkBase* link = nullptr;
            if (owner.GetLinkSet()->Create(child, nullptr, &link) < 0)
                return false;
            if (link)
                Add(std::make_unique<CLogicNode>(kLink, link));
        }
        else
            wxLogWarning("Link Boolean: unexpected node %s at %s", child->GetName(), NodeLocation(child));
    }
    return true;
}

int COrvLinkChoice::CLogicNode::Evaluate() const
{
    switch (m_kind)
    {
        case kLink: {
            bool value = false;
            const int result = m_link->GetBool(value);
            return result < 0 ? result : (value ? 1 : 0);
        }
        case kAnd:
            return EvaluateChildren(0);
        case kOr:
            return EvaluateChildren(1);
    }
    return -1;
}

// The first error, or the first child giving the decisive value, ends the walk.
int COrvLinkChoice::CLogicNode::EvaluateChildren(int decisive) const
{
    for (const auto& child : m_children)
    {
        const int result = child->Evaluate();
        if (result < 0 || result == decisive)
            return result;
    }
    return decisive == 0 ? 1 : 0;
}

int COrvLinkChoice::CChoice::Read(wxXmlNode* element)
{
    bool hasTest = false;
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (Named(child, "when"))
        {
            if (hasTest)
            {
                wxLogError("Choice can have only 1 when. discarding");
                continue;
            }
            hasTest = true;
            if (!m_test.Read(*m_owner, child))
                return -1;
        }
        else if (Named(child, "link"))
        {
            if (m_owner->GetLinkSet()->Create(child, &m_results, nullptr) < 0)
                return -1;
        }
        else
            wxLogWarning("Link Choice: unexpected node %s at %s", child->GetName(), NodeLocation(child));
    }
    return hasTest ? 1 : 0;
}

int COrvLinkChoice::Init(wxXmlNode* element)
{
    bool seen = false;
    bool lastRead = false;
    for (wxXmlNode* child = element->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (!Named(child, "choice"))
        {
            wxLogWarning("Unexpected '%s' tag in choice link at %s ", child->GetName(), NodeLocation(child));
            continue;
        }
        seen = true;
        auto choice = std::make_unique<CChoice>(this);
        lastRead = choice->Read(child) >= 0;
        if (lastRead)
            m_choices.push_back(std::move(choice));
    }
    if (!seen)
    {
        wxLogError("Link Choice needs at least one choice !");
        return -1;
    }
    return lastRead ? 1 : -1;
}

// 1 with the first choice whose test holds; 0 when none holds (reported here); negative when a test could not be
// evaluated.
int COrvLinkChoice::Select(const CChoice*& selected) const
{
    for (const auto& choice : m_choices)
    {
        const int result = choice->m_test.Evaluate();
        if (result < 0)
            return result;
        if (result == 1)
        {
            selected = choice.get();
            return 1;
        }
    }
    wxLogError("Link Choice has no valid choice !");
    return 0;
}

int COrvLinkChoice::GetValue(wxString& value)
{
    value.clear();
    const CChoice* choice = nullptr;
    const int selected = Select(choice);
    if (selected <= 0)
        return selected < 0 ? -1 : 0;
    return CLinkSet::GetValueString(choice->m_results, value) < 0 ? -1 : 1;
}

int COrvLinkChoice::GetInt(int& value)
{
    value = 0;
    const CChoice* choice = nullptr;
    const int selected = Select(choice);
    if (selected <= 0)
        return selected < 0 ? -1 : 0;
    if (!choice->m_results.empty() && choice->m_results.front()->GetInt(value) < 0)
        return -1;
    return 1;
}

int COrvLinkChoice::GetBool(bool& value)
{
    value = false;
    const CChoice* choice = nullptr;
    const int selected = Select(choice);
    if (selected <= 0)
        return selected < 0 ? -1 : 0;
    value = true;
    for (COrvLinkBase* link : choice->m_results)
    {
        bool result = true;
        if (link->GetBool(result) < 0)
            return -1;
        if (!result)
        {
            value = false;
            break;
        }
    }
    return 1;
}
