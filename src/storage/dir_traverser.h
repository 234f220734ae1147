#pragma once
// The two directory walkers of the tree. Both get full paths and keep them with '/' separators.
//
// CDirTraverserSimple lists one level: files and directories relative to a base path, without entering
// directories. CDirTraverserSort collects every file and directory of the whole walk (directories with a
// trailing '/').
#include <vector>

#include <wx/dir.h>

class CDirTraverserSimple : public wxDirTraverser
{
public:
    explicit CDirTraverserSimple(const wxString& base);

    wxDirTraverseResult OnFile(const wxString& path) override;
    wxDirTraverseResult OnDir(const wxString& path) override;

    const std::vector<wxString>& Files() const { return m_files; }
    const std::vector<wxString>& Dirs() const { return m_dirs; }

private:
    wxString Relative(const wxString& path) const;

    wxString m_base;  // with a trailing '/'
    std::vector<wxString> m_files;
    std::vector<wxString> m_dirs;
};

class CDirTraverserSort : public wxDirTraverser
{
public:
    wxDirTraverseResult OnFile(const wxString& path) override;
    wxDirTraverseResult OnDir(const wxString& path) override;

    const std::vector<wxString>& Entries() const { return m_entries; }

private:
    std::vector<wxString> m_entries;
};
