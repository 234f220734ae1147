#include "theme/style_registry.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/xml_helpers.h"

const char* const CStyleRegistry::kDefaultTheme = "varnek";
const char* const CStyleRegistry::kInvalidStyleDirectory = "Invalid style directory.";

namespace
{
CStyleRegistry* g_registry = nullptr;
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
    auto found = m_entries.find(kind);
    if (found != m_entries.end())
        return found->second.get();
    wxLogError("Style %s not found", kind);
    return nullptr;
}

const CBackground& CStyleRegistry::GetBackground(const wxString& name) const
{
    if (name.empty())
        return EmptyBackground();
    auto found = m_backgrounds.find(name);
    if (found != m_backgrounds.end())
        return *found->second;
    wxLogError("Background %s does not exist", name);
    return EmptyBackground();
}

CFont* CStyleRegistry::GetFont(const wxString& name) const
{
    if (name.empty())
        return nullptr;
    auto found = m_fonts.find(name);
    if (found != m_fonts.end())
        return found->second.get();
    wxLogError("Font %s does not exist", name);
    return nullptr;
}

CLedStyle* CStyleRegistry::GetLedStyle(const wxString& id) const
{
    if (id.empty())
        return nullptr;
    auto found = m_leds.find(id);
    if (found != m_leds.end())
        return found->second.get();
    wxLogError("Led %s does not exist", id);
    return nullptr;
}
