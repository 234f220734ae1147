#pragma once
// Themes written into a temporary directory for one test (XML texts and solid PNG images), and named roots bound
// for the length of one test.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/image.h>
#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include "storage/dir.h"
#include "storage/roots.h"
#include "support/temp_dir.h"
#include "theme/pixels.h"

namespace themetest
{
class ThemeFiles : public orvtest::TempDir
{
public:
    void Xml(const std::string& name, const std::string& text) const { Write(name, text); }
    // A solid PNG image; alpha < 0 gives one without alpha channel.
    void Png(const std::string& name, int width, int height, int r, int g, int b, int alpha = -1) const
    {
        Write(name, "");  // creates the parent directories
        Solid(width, height, r, g, b, alpha).SaveFile(wxString::FromUTF8(Sub(name)), wxBITMAP_TYPE_PNG);
    }
    CDir Dir(const std::string& sub = std::string()) const
    {
        const CDir top(wxString::FromUTF8(Path()));
        return sub.empty() ? top : top.GetDir(wxString::FromUTF8(sub));
    }
};

// Binds the roots for one test; every root is forgotten afterwards.
class RootsForTest
{
public:
    explicit RootsForTest(const std::vector<std::pair<std::string, std::string>>& roots)
    {
        ClearRoots();
        for (const auto& root : roots)
            RegisterRoot(root.first, wxString::FromUTF8(root.second), true);
    }
    ~RootsForTest() { ClearRoots(); }
};

// The root element of an XML text, free-standing like the roots of loaded files (null when it does not parse).
inline std::unique_ptr<wxXmlNode> ParseElement(const std::string& text)
{
    wxStringInputStream stream(wxString::FromUTF8(text));
    wxXmlDocument document;
    if (!document.Load(stream))
        return nullptr;
    return std::unique_ptr<wxXmlNode>(document.DetachRoot());
}
}  // namespace themetest
