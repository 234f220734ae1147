#pragma once
// CStyleRegistry: everything the loaded theme defines, by name: style entries per kind of control, panel and
// dialog, backgrounds, fonts, LED styles and the info style. Controls and dialogs look their look up here.
//
// One registry for the whole program, created with the main window and destroyed with it (Create/Destroy); it
// owns everything it hands out, callers keep plain pointers or copies. Loading happens once per registry: a
// reloaded project gets a new one. GUI thread only, no locking.
#include <memory>
#include <unordered_map>
#include <vector>

#include <wx/string.h>

#include "theme/background.h"
#include "theme/font.h"
#include "theme/info_style.h"
#include "theme/led_style.h"

class CDir;
class wxXmlNode;

class CStyleRegistry
{
public:
    // The theme a project gets when its application element names none.
    static const char* const kDefaultTheme;  // "varnek"
    // What opening a project reports when no style directory can be found.
    static const char* const kInvalidStyleDirectory;  // "Invalid style directory."

    CStyleRegistry();
    ~CStyleRegistry();
    CStyleRegistry(const CStyleRegistry&) = delete;
    CStyleRegistry& operator=(const CStyleRegistry&) = delete;

    // The program's registry, or null when there is none.
    static CStyleRegistry* Get();
    // Makes the program's registry when there is none yet and returns it.
    static CStyleRegistry* Create();
    // Empties and deletes the program's registry.
    static void Destroy();

    // Chooses the style directory for a project whose application element names `styleName`: USERTHEME/name,
    // THEME/name, the project directory's name, the name beside the project, then THEME/varnek (logged as an
    // error). Invalid when THEME itself is not a directory or nothing was found.
    static CDir ChooseStyleDirectory(const wxString& styleName, const CDir& projectDir);
    // Chooses the theme of an application element (its `style` attribute, "varnek" when absent) and loads it.
    // False when no style directory was found: opening the project then fails with kInvalidStyleDirectory.
    bool LoadProjectTheme(const wxXmlNode* application, const CDir& projectDir);

    // Loads the style file index.xml of the directory, after the base theme it names. Failures are logged; what
    // was read before a failure stays.
    void LoadStyleDirectory(const CDir& dir);

    // The style entry of a kind (element name, exact), or null after the error "Style <kind> not found".
    const wxXmlNode* GetStyle(const wxString& kind) const;
    // The named background; the empty background for an empty name, or after "Background <name> does not exist".
    const CBackground& GetBackground(const wxString& name) const;
    // The named font; null for an empty name, or after "Font <name> does not exist".
    CFont* GetFont(const wxString& name) const;
    // The named LED style; null for an empty id, or after "Led <id> does not exist".
    CLedStyle* GetLedStyle(const wxString& id) const;
    // The info style, or null when the theme has no usable info element.
    CInfoStyle* GetInfoStyle() const { return m_info.get(); }

    // Deletes everything stored.
    void Clear();

    // The shared background that draws nothing.
    static const CBackground& EmptyBackground();

private:
    void ProcessRoot(wxXmlNode* root, const CDir& dir);
    void LoadBaseTheme(const wxXmlNode* root);
    void IncludeFile(CDir& dir, wxXmlNode* root, wxXmlNode* file);
    bool IsIncludeLoop(const wxXmlNode* file, const wxXmlNode* included) const;
    void ReadBackground(const wxXmlNode* element, const CDir& dir);
    void ReadFont(const wxXmlNode* element);
    void ReadLed(const wxXmlNode* element, const CDir& dir);
    void ReadInfo(const wxXmlNode* element, const CDir& dir);
    void StoreEntry(const wxXmlNode* element);

    std::unordered_map<wxString, std::unique_ptr<wxXmlNode>> m_entries;
    std::unordered_map<wxString, std::unique_ptr<CBackground>> m_backgrounds;
    std::unordered_map<wxString, std::unique_ptr<CLedStyle>> m_leds;
    std::unordered_map<wxString, std::unique_ptr<CFont>> m_fonts;
    std::unique_ptr<CInfoStyle> m_info;

    // While loading: the style directories being loaded (a theme and the bases below it), to refuse a base theme
    // that leads back to itself, and for every included element the file element that brought it in.
    std::vector<wxString> m_loading;
    std::unordered_map<const wxXmlNode*, const wxXmlNode*> m_includedBy;
};
