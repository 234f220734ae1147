#include "storage/path_text.h"

#include <wx/filename.h>
#include <wx/uri.h>

wxString ToInternalPath(const wxString& path)
{
    wxString result;
    result.reserve(path.length());
    for (wxUniChar c : path)
    {
        if (c == '\\')
            c = '/';
        if (c == '/' && !result.empty() && result.Last() == '/')
            continue;
        result += c;
    }
    return result;
}

wxString ToNativePath(const wxString& path)
{
    wxString result(path);
    if (wxFILE_SEP_PATH != '/')
        result.Replace("/", wxString(wxFILE_SEP_PATH));
    return result;
}

wxChar NativeSeparator()
{
    return wxFILE_SEP_PATH;
}

bool IsUriPath(const wxString& path)
{
    if (path.length() <= 1 || path[1] == ':')
        return false;
    wxURI uri;
    return uri.Create(path) && uri.HasScheme();
}
