#include "storage/xml_helpers.h"

#include <limits>

#include <wx/log.h>

#include "storage/dir.h"
#include "storage/path_text.h"
#include "storage/user_report.h"

const char* const kFilePathAttribute = "_vk_file_path_";

namespace
{
// Includes nest this deep at most; deeper means a loop the path check could not see.
const int kMaxIncludeDepth = 32;

// False (after a message) when `file` is already being included above `parent`, or includes nest too deeply.
bool CheckIncludeChain(const wxXmlNode* parent, const wxString& file)
{
    int depth = 0;
    for (const wxXmlNode* node = parent; node; node = node->GetParent())
    {
        wxString path;
        if (!node->GetAttribute(kFilePathAttribute, &path))
            continue;
        if (path == file)
        {
            wxLogError("File %s includes itself", file);
            return false;
        }
        if (++depth >= kMaxIncludeDepth)
        {
            wxLogError("Includes nested more than %d deep at %s", kMaxIncludeDepth, file);
            return false;
        }
    }
    return true;
}
}  // namespace

std::unique_ptr<wxXmlNode> LoadXmlFile(const CDir& dir, const wxString& name)
{
    CFile file = dir.OpenFile(name, 0);
    if (!file.IsOk() || !file.GetInputStream())
        return nullptr;
    wxXmlDocument document;
    if (!document.Load(*file.GetInputStream(), "UTF-8", 0) || !document.GetRoot())
        return nullptr;
    return std::unique_ptr<wxXmlNode>(document.DetachRoot());
}

bool Include(CDir& dir, const wxString& path, wxXmlNode* parent, wxXmlNode* include)
{
    if (path.empty())
        return false;
    const wxString internal = ToInternalPath(path);
    const wxString fileName = internal.AfterLast('/');
    if (internal.Find('/') != wxNOT_FOUND && !internal.BeforeLast('/').empty())
        dir = dir.GetDir(internal.BeforeLast('/'));
    const wxString filePath = wxString::Format("%s%c%s", dir.GetPath(), NativeSeparator(), fileName);
    if (!dir.FileExists(fileName) || !CheckIncludeChain(parent, filePath))
        return false;
    std::unique_ptr<wxXmlNode> root = LoadXmlFile(dir, fileName);
    if (!root)
        return false;
    for (const wxXmlAttribute* attribute = include->GetAttributes(); attribute; attribute = attribute->GetNext())
    {
        if (attribute->GetName() != "name")
            root->AddAttribute(attribute->GetName(), attribute->GetValue());
    }
    root->AddAttribute(kFilePathAttribute, filePath);
    parent->InsertChildAfter(root.release(), include);
    return true;
}

bool ExpandIncludes(wxXmlNode* element, CDir dir)
{
    CDir current(dir);
    wxXmlNode* child = element->GetChildren();
    while (child)
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
        {
            child = child->GetNext();
            continue;
        }
        if (!child->GetName().IsSameAs("file", false))
        {
            if (!ExpandIncludes(child, current))
                return false;
            child = child->GetNext();
            continue;
        }
        const wxString name = child->GetAttribute("name", wxString());
        if (!Include(current, name, element, child))
        {
            ReportToUser(ReportKind::Error,
                         wxString::Format("Can not load file '%s' at %s", name, NodeLocation(child)));
            return false;
        }
        wxXmlNode* next = child->GetNext();
        element->RemoveChild(child);
        delete child;
        child = next;
    }
    return true;
}

wxString NodeLocation(const wxXmlNode* node)
{
    wxString location;
    wxString file;
    if (node->GetAttribute(kFilePathAttribute, &file))
        location = file + "->";
    else if (node->GetParent())
        location = NodeLocation(node->GetParent()) + "->";
    location += node->GetType() == wxXML_ELEMENT_NODE ? node->GetName() : wxString("(not an element)");
    return location;
}

wxString GetInheritedAttribute(const wxXmlNode* node, const wxString& name, const wxString& fallback, bool inherit)
{
    for (; node; node = inherit ? node->GetParent() : nullptr)
    {
        wxString value;
        if (node->GetAttribute(name, &value))
            return value;
    }
    return fallback;
}

wxXmlNode* FindChildElement(const wxXmlNode* node, const wxString& name)
{
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() == wxXML_ELEMENT_NODE && child->GetName() == name)
            return child;
    }
    return nullptr;
}

void MergeAttributes(const wxXmlNode* source, wxXmlNode* target)
{
    for (const wxXmlAttribute* attribute = source->GetAttributes(); attribute; attribute = attribute->GetNext())
    {
        while (target->DeleteAttribute(attribute->GetName()))
        {
        }
        target->AddAttribute(attribute->GetName(), attribute->GetValue());
    }
}

int AttributeToInt(const wxString& text, int fallback)
{
    size_t i = 0;
    while (i < text.length() && wxIsspace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.length() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t firstDigit = i;
    long long value = 0;
    const long long limit =
        negative ? -static_cast<long long>(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
    while (i < text.length() && text[i] >= '0' && text[i] <= '9' && value <= limit)
        value = value * 10 + (text[i++] - '0');
    if (i == firstDigit || i != text.length() || value > limit)
    {
        wxLogError("value %s can not be computed", text);
        return fallback;
    }
    return static_cast<int>(negative ? -value : value);
}
