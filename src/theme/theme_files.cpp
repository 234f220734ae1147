#include "theme/theme_files.h"

#include <wx/filefn.h>

#include "storage/dir.h"
#include "storage/dir_data.h"
#include "theme/image.h"

bool IsValidDirectory(const CDir& dir)
{
    if (!dir.IsOk())
        return false;
    return !dir.GetData()->IsNative() || wxDirExists(dir.GetPath());
}

bool LoadImageFile(const CDir& dir, const wxString& name, CImage& image)
{
    CFile file = dir.OpenFile(name);
    wxInputStream* stream = file.IsOk() ? file.GetInputStream() : nullptr;
    wxImage loaded;
    if (!stream || !loaded.LoadFile(*stream, wxBITMAP_TYPE_ANY) || !loaded.IsOk())
        return false;
    image = loaded;
    return true;
}

wxString PathInDirectory(const CDir& dir, const wxString& name)
{
    return wxString::Format("%s/%s", dir.GetPath(), name);
}
