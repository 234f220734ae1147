// Loading a style directory into the registry: the base theme first, then the children of the style file's root
// in document order, included files being visited right after the file element that names them.
#include <algorithm>

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/dir.h"
#include "storage/roots.h"
#include "storage/xml_helpers.h"
#include "theme/style_registry.h"
#include "theme/theme_files.h"

namespace
{
struct FolderMessages
{
    wxString noDirectory;  // the sub-directory does not exist
    wxString noIndex;      // its index.xml is missing or does not parse
    const char* failed;    // building failed; formatted with the key
};

// Reads the definition file index.xml of the sub-directory `folderName` of `dir` into the stored object of the key
// (a new one when there is none). When building fails the object is dropped, together with what an earlier
// definition of the key had made.
template <typename T, typename Build>
void ReadFolderDefinition(std::unordered_map<wxString, std::unique_ptr<T>>& store, const wxString& key, const CDir& dir,
                          const wxString& folderName, const FolderMessages& messages, const Build& build)
{
    const CDir folder = dir.GetDir(folderName);
    if (!IsValidDirectory(folder))
    {
        wxLogError("%s", messages.noDirectory);
        return;
    }
    const std::unique_ptr<wxXmlNode> index = LoadXmlFile(folder, "index.xml");
    if (!index)
    {
        wxLogError("%s", messages.noIndex);
        return;
    }
    std::unique_ptr<T>& object = store[key];
    if (!object)
        object = std::make_unique<T>();
    if (!build(*object, index.get(), folder))
    {
        wxLogError(messages.failed, key);
        store.erase(key);
    }
}
}  // namespace

void CStyleRegistry::LoadStyleDirectory(const CDir& dir)
{
    if (!IsValidDirectory(dir))
    {
        wxLogError("Invalid style directory!");
        return;
    }
    if (!dir.FileExists("index.xml"))
    {
        wxLogError("Style file index.xml dos not exist!");
        return;
    }
    const std::unique_ptr<wxXmlNode> root = LoadXmlFile(dir, "index.xml");
    if (!root)
    {
        wxLogError("Failed to load style file index.xml!");
        return;
    }
    if (root->GetName().CmpNoCase("style") != 0)
    {
        wxLogError("Invalid style file index.xml!");
        return;
    }
    m_loading.push_back(dir.GetPath());
    ProcessRoot(root.get(), dir);
    m_loading.pop_back();
    if (m_loading.empty())
        m_includedBy.clear();
}

void CStyleRegistry::LoadBaseTheme(const wxXmlNode* root)
{
    wxString name;
    if (!root->GetAttribute("style", &name))
        return;
    const CDir base = GetRoot("THEME").GetDir(name);
    if (!IsValidDirectory(base))
        return;
    if (std::find(m_loading.begin(), m_loading.end(), base.GetPath()) != m_loading.end())
    {
        wxLogError("Base theme %s leads back to itself, ignored", name);
        return;
    }
    LoadStyleDirectory(base);
}

void CStyleRegistry::ProcessRoot(wxXmlNode* root, const CDir& dir)
{
    LoadBaseTheme(root);
    CDir current(dir);  // an include with a directory part moves it for the rest of the file
    for (wxXmlNode* child = root->GetChildren(); child; child = child->GetNext())
    {
        if (child->GetType() != wxXML_ELEMENT_NODE)
            continue;
        const wxString& name = child->GetName();
        if (name.CmpNoCase("file") == 0)
            IncludeFile(current, root, child);
        else if (name.CmpNoCase("background") == 0)
            ReadBackground(child, current);
        else if (name.CmpNoCase("font") == 0)
            ReadFont(child);
        else if (name.CmpNoCase("led") == 0)
            ReadLed(child, current);
        else if (name.CmpNoCase("info") == 0)
            ReadInfo(child, current);
        else
            StoreEntry(child);
    }
}

void CStyleRegistry::IncludeFile(CDir& dir, wxXmlNode* root, wxXmlNode* file)
{
    const wxString name = file->GetAttribute("name", wxString());
    if (name.empty())
        return;
    if (!Include(dir, name, root, file))
    {
        wxLogError("Can not load file '%s' at %s", name, NodeLocation(file));
        return;
    }
    wxXmlNode* included = file->GetNext();
    if (IsIncludeLoop(file, included))
    {
        wxLogError("File %s includes itself", included->GetAttribute(kFilePathAttribute, wxString()));
        root->RemoveChild(included);
        delete included;
        return;
    }
    m_includedBy[included] = file;
}

// The included root would repeat a file that is already on the chain of includes that led to it (an included file
// whose root is itself a file element naming the same file again would otherwise be included forever).
bool CStyleRegistry::IsIncludeLoop(const wxXmlNode* file, const wxXmlNode* included) const
{
    const wxString path = included->GetAttribute(kFilePathAttribute, wxString());
    for (const wxXmlNode* node = file; node;)
    {
        if (node->GetAttribute(kFilePathAttribute, wxString()) == path)
            return true;
        auto up = m_includedBy.find(node);
        node = up == m_includedBy.end() ? nullptr : up->second;
    }
    return false;
}

void CStyleRegistry::ReadBackground(const wxXmlNode* element, const CDir& dir)
{
    const wxString name = element->GetAttribute("name", wxString());
    if (name.empty())
    {
        wxLogError("Background without name!");
        return;
    }
    const FolderMessages messages{wxString::Format("Failed to open directory for Background %s", name),
                                  wxString::Format("Failed to load index.xml for Background %s", name),
                                  "Failed to create Background %s"};
    ReadFolderDefinition(m_backgrounds, name, dir, name, messages,
                         [](CBackground& background, const wxXmlNode* index, const CDir& folder) {
                             return background.Load(index, folder);
                         });
}

void CStyleRegistry::ReadFont(const wxXmlNode* element)
{
    const wxString name = element->GetAttribute("name", wxString());
    if (name.empty())
    {
        wxLogError("Font without name!");
        return;
    }
    // A font cannot fail: a later element of the same name changes only the attributes that it names.
    std::unique_ptr<CFont>& font = m_fonts[name];
    if (!font)
        font = std::make_unique<CFont>();
    font->ApplyElement(element);
}

void CStyleRegistry::ReadLed(const wxXmlNode* element, const CDir& dir)
{
    const wxString id = element->GetAttribute("id", wxString());
    if (id.empty())
    {
        wxLogError("Led without name!");
        return;
    }
    const wxString folderName = element->GetAttribute("folder", wxString());
    const FolderMessages messages{wxString::Format("Failed to open directory for Led %s", folderName),
                                  wxString::Format("Failed to load index.xml for Led %s", id),
                                  "Failed to create Led %s"};
    ReadFolderDefinition(m_leds, id, dir, folderName, messages,
                         [element](CLedStyle& led, const wxXmlNode* index, const CDir& folder) {
                             return led.Create(element, index, folder);
                         });
}

void CStyleRegistry::ReadInfo(const wxXmlNode* element, const CDir& dir)
{
    if (!m_info)
        m_info = std::make_unique<CInfoStyle>();
    if (!m_info->Create(element, dir, *this))
    {
        wxLogError("Failed to create info");
        m_info.reset();
    }
}

void CStyleRegistry::StoreEntry(const wxXmlNode* element)
{
    auto found = m_entries.find(element->GetName());
    if (found != m_entries.end())
    {
        // New attribute values win and new attributes are added; the stored children stay.
        MergeAttributes(element, found->second.get());
        return;
    }
    m_entries[element->GetName()] = std::make_unique<wxXmlNode>(*element);
}
