#include "theme/style_registry.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"

const char* const CStyleRegistry::kDefaultTheme = "varnek";
const char* const CStyleRegistry::kInvalidStyleDirectory = "Invalid style directory.";

namespace
{
CStyleRegistry* g_registry = nullptr;

// The stored object of a non-empty key, or null after the message naming the key.
template <typename T>
T* FindOrReport(const std::unordered_map<wxString, std::unique_ptr<T>>& store, const wxString& key, const char* missing)
{
    auto found = store.find(key);
    if (found != store.end())
        return found->second.get();
    wxLogError(missing, key);
    return nullptr;
}
}  // namespace

CStyleRegistry::CStyleRegistry() = default;

CStyleRegistry::~CStyleRegistry()
{
    Clear();
}

CStyleRegistry* CStyleRegistry::Get()
{
    return g_registry;
}

CStyleRegistry* CStyleRegistry::Create()
{
    if (!g_registry)
        g_registry = new CStyleRegistry;
    return g_registry;
}

void CStyleRegistry::Destroy()
{
    delete g_registry;
    g_registry = nullptr;
}

void CStyleRegistry::Clear()
{
    // The info style refers to registry fonts; it goes first.
    m_info.reset();
    m_entries.clear();
    m_backgrounds.clear();
    m_leds.clear();
    m_fonts.clear();
}

const CBackground& CStyleRegistry::EmptyBackground()
{
    static const CBackground* const empty = new CBackground;  // never deleted: copies may outlive everything
    return *empty;
}

const wxXmlNode* CStyleRegistry::GetStyle(const wxString& kind) const
{
    return FindOrReport(m_entries, kind, "Style %s not found");
}

const CBackground& CStyleRegistry::GetBackground(const wxString& name) const
{
    if (name.empty())
        return EmptyBackground();
    const CBackground* background = FindOrReport(m_backgrounds, name, "Background %s does not exist");
    return background ? *background : EmptyBackground();
}

CFont* CStyleRegistry::GetFont(const wxString& name) const
{
    return name.empty() ? nullptr : FindOrReport(m_fonts, name, "Font %s does not exist");
}

CLedStyle* CStyleRegistry::GetLedStyle(const wxString& id) const
{
    return id.empty() ? nullptr : FindOrReport(m_leds, id, "Led %s does not exist");
}
