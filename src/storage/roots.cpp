#include "storage/roots.h"

#include <map>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "storage/dir.h"
#include "storage/file.h"
#include "storage/path_text.h"

namespace
{
std::map<wxString, wxString>& Roots()
{
    static std::map<wxString, wxString> roots;
    return roots;
}

// Root paths are site configuration: environment variables in them are expanded.
const int kRootNormalizeFlags = wxPATH_NORM_ENV_VARS | wxPATH_NORM_DOTS | wxPATH_NORM_TILDE | wxPATH_NORM_ABSOLUTE |
                                wxPATH_NORM_LONG | wxPATH_NORM_SHORTCUT;

// Replaces the "%%NAME%%" references; the substituted paths are not searched again, so a path that itself holds
// such marks cannot make the expansion go on for ever.
bool SubstituteReferences(wxString& text)
{
    size_t from = 0;
    while (true)
    {
        const size_t open = text.find("%%", from);
        if (open == wxString::npos)
            return true;
        const size_t close = text.find("%%", open + 2);
        if (close == wxString::npos || close == open + 2)
            return true;
        const wxString name = text.substr(open + 2, close - open - 2);
        auto found = Roots().find(name);
        if (found == Roots().end())
            return false;
        text = text.substr(0, open) + found->second + text.substr(close + 2);
        from = open + found->second.length();
    }
}
}  // namespace

bool RegisterRoot(const wxString& name, const wxString& path, bool overwrite)
{
    const wxString key = name.Upper();
    auto found = Roots().find(key);
    if (found != Roots().end() && !overwrite)
    {
        wxLogError("dupplicate root '%s' (want '%s' was '%s')", key, path, GetRoot(key).GetPath());
        return false;
    }
    Roots()[key] = path;
    return true;
}

CDir GetRoot(const wxString& name)
{
    auto found = Roots().find(name.Upper());
    return found == Roots().end() ? CDir() : CDir(found->second);
}

wxString GetRootPath(const wxString& name)
{
    auto found = Roots().find(name.Upper());
    return found == Roots().end() ? wxString() : found->second;
}

std::vector<wxString> GetRootNames()
{
    std::vector<wxString> names;
    for (const auto& root : Roots())
        names.push_back(root.first);
    return names;
}

void ClearRoots()
{
    Roots().clear();
}

bool ExpandRootPath(wxString& text)
{
    if (!SubstituteReferences(text))
    {
        text.clear();
        return false;
    }
    if (IsUriPath(text))
        return true;
    wxFileName name(ToInternalPath(text));
    name.Normalize(kRootNormalizeFlags);
    text = name.GetFullPath();
    return true;
}

bool LoadRootDefinitions(CFile& file)
{
    if (!file.IsOk() || !file.GetInputStream())
        return false;
    while (!file.Eof())
    {
        wxString line = file.ReadLine().BeforeFirst('#');
        line.Trim(true).Trim(false);
        if (line.empty())
            continue;
        wxString name = line.BeforeFirst('=');
        wxString value = line.Find('=') == wxNOT_FOUND ? line : line.AfterFirst('=');
        name.Trim(true);
        value.Trim(false);
        if (ExpandRootPath(value))
            Roots()[name.Upper()] = value;
        else
            wxLogError("Bad dir path: %s", line);
    }
    return true;
}

bool CreateRootDirs()
{
    bool ok = true;
    for (const auto& root : Roots())
    {
        if (IsUriPath(root.second) || wxDirExists(root.second))
            continue;
        {
            wxLogNull quiet;  // the message below says which root failed
            wxMkdir(root.second);
        }
        if (!wxDirExists(root.second))
        {
            wxLogError("Can not create dir '%s' for root %s", root.second, root.first);
            ok = false;
        }
    }
    return ok;
}
