#pragma once
// CCompile: turns a project directory into its package, the file <name>.darevirudu next to the directory, which
// holds a copy of the directory (hidden files too, empty directories not) in a zip inside the encrypted package
// stream.
//
// The package is written under a temporary name in the same directory and moved over the old one only once it
// is complete, so a failed compile leaves the previous package as it was. The outcome is logged and reported
// ("Project successfully compiled" / "Failed to compile Project"). Runs on the GUI thread, or in the window-less
// command line; one object per run.
#include <vector>

#include <wx/dir.h>

#include "storage/dir.h"

class CCompile
{
public:
    explicit CCompile(const CDir& project);

    // Runs the whole compile and reports the outcome; true when the new package is in place.
    bool Compile();

    // Collects every file and directory of the walk, with '/' separators; directories end with '/'.
    class CCompileTraverser : public wxDirTraverser
    {
    public:
        wxDirTraverseResult OnFile(const wxString& path) override;
        wxDirTraverseResult OnDir(const wxString& path) override;
        const std::vector<wxString>& Entries() const { return m_entries; }

    private:
        std::vector<wxString> m_entries;
    };

private:
    bool Run();
    bool CheckSource();
    bool CopyEntries(const std::vector<wxString>& entries, const CDir& source, const CDir& package);
    bool CopyFile(const CDir& source, const CDir& package, const wxString& relative);
    wxString RelativePath(const wxString& entry) const;
    bool PlacePackage(CDir& package);

    CDir m_project;
    CDir m_holder;       // the directory that holds the project
    wxString m_name;     // the project directory's own name
    wxString m_walked;   // the project directory's path with '/' separators
    wxString m_package;  // file name of the package in the holder
    wxString m_partial;  // file name it is written under until complete
};
