#include "platform/file_association.h"

#include <shlobj.h>
#include <windows.h>

#include <wx/msw/registry.h>

namespace
{
const wxString kExtension = "darevirudu";

wxString ExtensionKeyName()
{
    return wxString::Format("HKEY_CURRENT_USER\\Software\\Classes\\.%s", kExtension);
}

wxString TypeKeyName()
{
    return wxString::Format("HKEY_CURRENT_USER\\Software\\Classes\\%sFile", kExtension);
}

// Opens (creating when missing) the key and sets its default value; the registry layer logs any failure.
bool SetDefaultValue(wxRegKey& key, const wxString& value)
{
    return key.Create(true) && key.SetValue(wxString(), value);
}

void NotifyShell()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
}  // namespace

bool RegisterFileType(const wxString& exePath)
{
    const wxString quotedExe = "\"" + exePath + "\"";
    wxRegKey extension(ExtensionKeyName());
    bool ok = SetDefaultValue(extension, wxString::Format("%sFile", kExtension));
    wxRegKey type(TypeKeyName());
    ok = SetDefaultValue(type, "VARNEK Orvanta Panel File") && ok;
    {
        wxRegKey icon(type, "DefaultIcon");
        ok = SetDefaultValue(icon, quotedExe + ",0") && ok;
        icon.Close();
    }
    wxRegKey shell(type, "shell");
    wxRegKey open(shell, "open");
    wxRegKey command(open, "command");
    ok = shell.Create(true) && ok;
    ok = open.Create(true) && ok;
    ok = SetDefaultValue(command, quotedExe + " \"%1\"") && ok;
    command.Close();
    open.Close();
    shell.Close();
    type.Close();
    extension.Close();
    NotifyShell();
    return ok;
}

bool UnregisterFileType()
{
    bool ok = true;
    for (const wxString& name : {ExtensionKeyName(), TypeKeyName()})
    {
        wxRegKey key(name);
        if (key.Exists())
            ok = key.DeleteSelf() && ok;
    }
    NotifyShell();
    return ok;
}
