#include "storage/compile.h"

#include <wx/log.h>
#include <wx/utils.h>

#include "storage/container_types.h"
#include "storage/dir_data.h"
#include "storage/path_text.h"
#include "storage/user_report.h"

namespace
{
const char kPackageExtension[] = "darevirudu";
const char kSuccessText[] = "Project successfully compiled";
const char kFailureText[] = "Failed to compile Project";
}  // namespace

wxDirTraverseResult CCompile::CCompileTraverser::OnFile(const wxString& path)
{
    m_entries.push_back(ToInternalPath(path));
    return wxDIR_CONTINUE;
}

wxDirTraverseResult CCompile::CCompileTraverser::OnDir(const wxString& path)
{
    m_entries.push_back(ToInternalPath(path) + "/");
    return wxDIR_CONTINUE;
}

CCompile::CCompile(const CDir& project) : m_project(project) {}

bool CCompile::Compile()
{
    const bool ok = Run();
    ReportToUser(ok ? ReportKind::Information : ReportKind::Error, ok ? kSuccessText : kFailureText);
    return ok;
}

bool CCompile::CheckSource()
{
    wxString path = ToInternalPath(m_project.GetPath());
    if (path.length() > 1 && path.Last() == '/')
        path.RemoveLast();
    m_name = path.AfterLast('/');
    wxString holder = path.Find('/') == wxNOT_FOUND ? wxString(".") : path.BeforeLast('/');
    if (holder.empty())
        holder = "/";
    m_holder = CDir(holder);
    m_walked = (holder == "/" ? wxString() : holder) + "/" + m_name;
    if (m_name.empty() || m_holder.FileExists(m_name))
    {
        wxLogError("'%s' is single file not directory Bad path ", m_project.GetPath());
        return false;
    }
    if (!m_holder.GetData()->DirExists(m_name))
    {
        wxLogError("Bad path '%s/%s'", holder, m_name);
        return false;
    }
    return true;
}

bool CCompile::Run()
{
    if (!m_project.IsValid() || !CheckSource())
        return false;
    CCompileTraverser walk;
    {
        wxDir dir(ToNativePath(m_walked));
        if (!dir.IsOpened())
            return false;
        dir.Traverse(walk, wxString(), wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
    }
    const int type = AddContainerAlias(kPackageExtension);
    m_package = GetArchiveFileName(m_name, type);
    m_partial = wxString::Format(".%s.%lu.part", m_package, wxGetProcessId());
    CDir package = m_holder.CreateArchive(m_partial, type, m_name);
    if (!package.IsValid())
    {
        wxLogError("Can not create the package %s", m_holder.GetPath() + NativeSeparator() + m_partial);
        return false;
    }
    const CDir source = m_holder.GetDir(m_name, kContainerDirectory, true);
    if (CopyEntries(walk.Entries(), source, package))
        return PlacePackage(package);
    package = CDir();
    m_holder.GetData()->RemoveFile(m_partial);
    return false;
}

bool CCompile::CopyEntries(const std::vector<wxString>& entries, const CDir& source, const CDir& package)
{
    for (const wxString& entry : entries)
    {
        if (entry.Last() == '/')
            continue;  // directories come in as the parents of their files; empty ones stay out
        if (!CopyFile(source, package, RelativePath(entry)))
            return false;
    }
    return true;
}

wxString CCompile::RelativePath(const wxString& entry) const
{
    wxString relative;
    if (entry.StartsWith(m_walked, &relative))
    {
        while (relative.StartsWith("/"))
            relative.Remove(0, 1);
        return relative;
    }
    wxLogVerbose("%s is not starting with %s", entry, m_walked);
    const size_t at = entry.find(m_walked);
    if (at == wxString::npos)
        return entry.Mid(m_walked.length());
    return entry.Mid(at + m_walked.length() + 1);
}

bool CCompile::CopyFile(const CDir& source, const CDir& package, const wxString& relative)
{
    CDir target = package;
    if (relative.Find('/') != wxNOT_FOUND)
    {
        const wxString sub = relative.BeforeLast('/');
        target = package.GetDir(sub, kContainerDirectory);
        if (!target.IsValid())
            target = package.MakeDir(sub, false, kContainerDirectory, false, true);
        if (!target.IsValid())
        {
            wxLogError("Dir Open error !");
            return false;
        }
    }
    CFile out = target.CreateFile(relative.AfterLast('/'));
    CFile in = source.OpenFile(relative, 0);
    if (!in.IsOk())
    {
        wxLogError("File open error !");
        return false;
    }
    wxMemoryBuffer bytes;
    if (!out.IsOk() || !in.ReadAll(bytes))
    {
        wxLogError("Can not copy %s into the package", relative);
        return false;
    }
    in.Close();
    if (!out.WriteAll(bytes))
    {
        wxLogError("Can not copy %s into the package", relative);
        return false;
    }
    out.Close();
    return true;
}

// Finishes the new package and puts it in the place of the old one.
bool CCompile::PlacePackage(CDir& package)
{
    const bool finished = package.FinishArchive();
    package = CDir();
    if (finished && m_holder.Rename(m_partial, m_package))
        return true;
    wxLogError("Can not write the package %s", m_holder.GetPath() + NativeSeparator() + m_package);
    m_holder.GetData()->RemoveFile(m_partial);
    return false;
}
