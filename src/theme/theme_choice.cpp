// Choosing the theme of a project: the first existing directory of the requested name, searched from the user's
// themes to the directory around the project, with the default theme as the last resort.
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

#include "storage/dir.h"
#include "storage/roots.h"
#include "theme/style_registry.h"
#include "theme/theme_files.h"

namespace
{
// The directory in which the project directory or package lies.
CDir ContainerOf(const CDir& projectDir)
{
    const CDir up = projectDir.GetDir("..");
    if (up.IsValid())
        return up;
    // A project opened as a directory of its own has no parent node; its parent directory is still the container.
    wxFileName path = wxFileName::DirName(projectDir.GetPath());
    path.RemoveLastDir();
    return CDir(path.GetPath());
}

bool Try(const CDir& base, const wxString& name, CDir& found)
{
    if (!IsValidDirectory(base))
        return false;
    const CDir dir = base.GetDir(name);
    if (!IsValidDirectory(dir))
        return false;
    found = dir;
    return true;
}
}  // namespace

CDir CStyleRegistry::ChooseStyleDirectory(const wxString& styleName, const CDir& projectDir)
{
    // An empty name names no theme (it would stand for a whole directory of themes): only the default is tried.
    const bool named = !styleName.empty();
    CDir found;
    if (named && Try(GetRoot("USERTHEME"), styleName, found))
        return found;
    const CDir themes = GetRoot("THEME");
    if (!IsValidDirectory(themes))
        return CDir();
    if (named && (Try(themes, styleName, found) || Try(projectDir, styleName, found) ||
                  Try(ContainerOf(projectDir), styleName, found)))
        return found;
    if (!Try(themes, kDefaultTheme, found))
        return CDir();
    wxLogError("Style \"%s\" not found, use default \"varnek\" theme!", styleName);
    return found;
}

bool CStyleRegistry::LoadProjectTheme(const wxXmlNode* application, const CDir& projectDir)
{
    const wxString name = application ? application->GetAttribute("style", kDefaultTheme) : wxString(kDefaultTheme);
    const CDir dir = ChooseStyleDirectory(name, projectDir);
    if (!dir.IsOk())
        return false;
    LoadStyleDirectory(dir);
    return true;
}
