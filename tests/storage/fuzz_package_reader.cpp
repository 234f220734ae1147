// Fuzz target: a package file (or, with the first byte odd, a zip archive that is put into a package first, so
// that the zip reader behind the cipher is reached) opened through the directory tree, every entry read.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <wx/init.h>
#include <wx/log.h>

#include "archive_builder.h"
#include "storage/container_types.h"
#include "storage/dir.h"
#include "storage/dir_traverser.h"

namespace
{
std::string& WorkDir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/orvfuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

// Reads every file below `dir`, descending through the directories the archive lists.
void ReadEverything(const CDir& dir, int depth)
{
    CDirTraverserSimple level(dir.GetPath());
    dir.Traverse(level);
    for (const wxString& file : level.Files())
    {
        wxMemoryBuffer bytes;
        CFile opened = dir.OpenFile(file);
        opened.ReadAll(bytes);
        opened.ReadLine();
    }
    if (depth < 8)
    {
        for (const wxString& sub : level.Dirs())
            ReadEverything(dir.GetDir(sub), depth + 1);
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer initializer;
    wxLog::EnableLogging(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        bytes = orvtest::PackageBytes(bytes);
    std::ofstream(WorkDir() + "/F.darevirudu", std::ios::binary | std::ios::trunc) << bytes;
    static const int type = AddContainerAlias("darevirudu");
    const CDir root(WorkDir());
    ReadEverything(root.GetDir("F", type, true), 0);
    ReadEverything(root.GetDir("F", type, false), 0);
    return 0;
}
