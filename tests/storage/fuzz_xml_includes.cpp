// Fuzz target: up to four XML files (the input split at zero bytes: index.xml, a.xml, sub/b.xml, sub/sub/c.xml)
// whose includes are expanded from index.xml; then the location of every element is written.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <wx/init.h>
#include <wx/log.h>

#include "storage/dir.h"
#include "storage/user_report.h"
#include "storage/xml_helpers.h"

namespace
{
const char* const kNames[] = {"index.xml", "a.xml", "sub/b.xml", "sub/sub/c.xml"};

std::string& WorkDir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/orvfuzz-XXXXXX";
        std::string made(mkdtemp(pattern));
        std::filesystem::create_directories(made + "/sub/sub");
        return made;
    }();
    return dir;
}

void Locate(const wxXmlNode* node)
{
    for (; node; node = node->GetNext())
    {
        NodeLocation(node);
        GetInheritedAttribute(node, "name", "", true);
        Locate(node->GetChildren());
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer initializer;
    wxLog::EnableLogging(false);
    SetUserReport([](ReportKind, const wxString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (const char* name : kNames)
    {
        const size_t end = std::min(input.find('\0', start), input.size());
        std::ofstream(WorkDir() + "/" + name, std::ios::binary | std::ios::trunc)
            << input.substr(std::min(start, input.size()), end - std::min(start, input.size()));
        start = end + 1;
    }
    const CDir dir(WorkDir());
    std::unique_ptr<wxXmlNode> root = LoadXmlFile(dir, "index.xml");
    if (!root)
        return 0;
    root->AddAttribute(kFilePathAttribute, WorkDir() + "/index.xml");
    ExpandIncludes(root.get(), dir);
    Locate(root.get());
    return 0;
}
