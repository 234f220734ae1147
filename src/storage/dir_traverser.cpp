#include "storage/dir_traverser.h"

#include "storage/path_text.h"

CDirTraverserSimple::CDirTraverserSimple(const wxString& base) : m_base(ToInternalPath(base))
{
    if (m_base.empty() || m_base.Last() != '/')
        m_base += '/';
}

wxString CDirTraverserSimple::Relative(const wxString& path) const
{
    wxString relative = ToInternalPath(path);
    if (relative.StartsWith(m_base))
        relative.Remove(0, m_base.length());
    return relative;
}

wxDirTraverseResult CDirTraverserSimple::OnFile(const wxString& path)
{
    m_files.push_back(Relative(path));
    return wxDIR_CONTINUE;
}

wxDirTraverseResult CDirTraverserSimple::OnDir(const wxString& path)
{
    m_dirs.push_back(Relative(path));
    return wxDIR_IGNORE;
}

wxDirTraverseResult CDirTraverserSort::OnFile(const wxString& path)
{
    m_entries.push_back(ToInternalPath(path));
    return wxDIR_CONTINUE;
}

wxDirTraverseResult CDirTraverserSort::OnDir(const wxString& path)
{
    wxString dir = ToInternalPath(path);
    if (dir.empty() || dir.Last() != '/')
        dir += '/';
    m_entries.push_back(dir);
    return wxDIR_CONTINUE;
}
