#include "platform/file_association.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <wx/log.h>

#include "platform/file_association_text.h"
#include "platform/resources.h"

extern char** environ;

namespace fs = std::filesystem;

namespace
{
const char kMimeType[] = "application/x-darevirudu";
const char kDesktopId[] = "varnekorvpanel.desktop";
const char kIconName[] = "varnekorvpanel";
const char kMimePackage[] = "varnekorvpanel.xml";

// A base directory of the XDG rules: the variable when it holds an absolute path, else HOME + the fallback.
fs::path XdgHome(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / fallback;
}

fs::path DataHome()
{
    return XdgHome("XDG_DATA_HOME", ".local/share");
}

fs::path ConfigHome()
{
    return XdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path MimePackagePath()
{
    return DataHome() / "mime" / "packages" / kMimePackage;
}

fs::path DesktopEntryPath()
{
    return DataHome() / "applications" / kDesktopId;
}

fs::path IconPath(int size)
{
    const std::string dir = std::to_string(size) + "x" + std::to_string(size);
    return DataHome() / "icons" / "hicolor" / dir / "apps" / (std::string(kIconName) + ".png");
}

fs::path MimeAppsPath()
{
    // The list is often a link into a dotfiles repository: edit what it points to, keep the link.
    const fs::path path = ConfigHome() / "mimeapps.list";
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    return error ? path : target;
}

wxString Text(const fs::path& path)
{
    return wxString(path.c_str());
}

// Replaces the file in one step (write beside it, then rename), so that a failure never leaves half a file.
bool WriteWholeFile(const fs::path& path, const std::string& bytes)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    const fs::path temporary = path.string() + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
        {
            fs::remove(temporary, error);
            wxLogError("Can not write '%s'", Text(path));
            return false;
        }
    }
    fs::rename(temporary, path, error);
    if (error)
    {
        fs::remove(temporary, error);
        wxLogError("Can not write '%s'", Text(path));
        return false;
    }
    return true;
}

// Removes one file of ours. True when it is gone; removed tells whether there was something to remove.
bool RemoveFile(const fs::path& path, bool& removed)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return true;
    if (!fs::remove(path, error) || error)
    {
        wxLogError("Can not remove '%s'", Text(path));
        return false;
    }
    removed = true;
    return true;
}

bool ReadWholeFile(const fs::path& path, std::string& bytes, bool& exists)
{
    std::error_code error;
    exists = fs::exists(path, error);
    bytes.clear();
    if (!exists)
        return true;
    std::ifstream in(path, std::ios::binary);
    if (fs::is_regular_file(path, error) && in.is_open())
    {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.bad())
            return true;
    }
    wxLogError("Can not read '%s'", Text(path));
    return false;
}

std::string MimePackage()
{
    return std::string(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           kMimeType + "\">\n    <comment>VARNEK Orvanta Panel File</comment>\n    <icon name=\"" + kIconName +
           "\"/>\n    <glob pattern=\"*.darevirudu\"/>\n  </mime-type>\n</mime-info>\n";
}

std::string DesktopEntry(const std::string& exec)
{
    return std::string(
               "[Desktop Entry]\nType=Application\nVersion=1.0\nName=VARNEK Orvanta Panel\n"
               "Comment=Remote control panel for VARNEK Orvanta audio processors\nExec=") +
           exec + " %f\nIcon=" + kIconName + "\nMimeType=" + kMimeType +
           ";\nTerminal=false\nNoDisplay=true\nCategories=AudioVideo;Audio;\n";
}

bool WriteIcons()
{
    bool ok = true;
    for (int size : GetProgramIconSizes())
    {
        const CResourceBytes png = GetResourceBytes(wxString::Format("icon_%d.png", size));
        ok = WriteWholeFile(IconPath(size), std::string(reinterpret_cast<const char*>(png.data), png.size)) && ok;
    }
    return ok;
}

bool UpdateMimeApps(bool add, bool& changed)
{
    const fs::path path = MimeAppsPath();
    std::string text;
    bool exists = false;
    // A list that exists but cannot be read is left alone rather than replaced by one without its entries.
    if (!ReadWholeFile(path, text, exists))
        return false;
    const std::string updated = add ? SetDefaultApplication(text, kMimeType, kDesktopId)
                                    : RemoveDefaultApplication(text, kMimeType, kDesktopId);
    if (updated == text && (exists || !add))
        return true;
    changed = true;
    return WriteWholeFile(path, updated);
}

// Runs a desktop database tool quietly when it is installed; a missing tool is not an error.
void RunToolIfPresent(const char* tool, const fs::path& directory)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string dir = directory.string();
    char* argv[] = {const_cast<char*>(tool), const_cast<char*>(dir.c_str()), nullptr};
    pid_t child = 0;
    const int started = posix_spawnp(&child, tool, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        wxLogWarning("%s could not refresh '%s'", tool, Text(directory));
}

void RefreshDesktopDatabases()
{
    RunToolIfPresent("update-mime-database", DataHome() / "mime");
    RunToolIfPresent("update-desktop-database", DataHome() / "applications");
}
}  // namespace

bool RegisterFileType(const wxString& exePath)
{
    const std::string exe(exePath.utf8_str());
    std::string exec;
    if (!QuoteDesktopExecArgument(exe, exec))
    {
        wxLogError("Can not register the file type for '%s': the program path must be absolute and printable", exePath);
        return false;
    }
    bool ok = WriteWholeFile(MimePackagePath(), MimePackage());
    ok = WriteIcons() && ok;
    ok = WriteWholeFile(DesktopEntryPath(), DesktopEntry(exec)) && ok;
    bool changed = false;
    ok = UpdateMimeApps(true, changed) && ok;
    RefreshDesktopDatabases();
    return ok;
}

bool UnregisterFileType()
{
    bool removed = false;
    bool ok = RemoveFile(MimePackagePath(), removed);
    for (int size : GetProgramIconSizes())
        ok = RemoveFile(IconPath(size), removed) && ok;
    ok = RemoveFile(DesktopEntryPath(), removed) && ok;
    ok = UpdateMimeApps(false, removed) && ok;
    if (removed)
        RefreshDesktopDatabases();
    return ok;
}
