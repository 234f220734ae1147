#include "archive_builder.h"

#include <cstring>

#include <wx/mstream.h>
#include <wx/zipstrm.h>

#include "storage/blow_fish_stream.h"
#include "storage/container_types.h"

namespace orvtest
{
namespace
{
std::string Contents(wxMemoryOutputStream& memory)
{
    std::string bytes(memory.GetLength(), '\0');
    memory.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

void Store32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}
}  // namespace

std::string ZipBytes(const std::vector<ArchiveEntry>& entries)
{
    wxMemoryOutputStream memory;
    {
        wxZipOutputStream zip(memory);
        for (const ArchiveEntry& entry : entries)
        {
            if (!entry.name.empty() && entry.name.back() == '/')
                zip.PutNextDirEntry(entry.name.substr(0, entry.name.size() - 1));
            else
            {
                zip.PutNextEntry(wxString::FromUTF8(entry.name));
                zip.Write(entry.data.data(), entry.data.size());
            }
        }
        zip.Close();
    }
    return Contents(memory);
}

std::string PackageBytes(const std::string& plain, const char* key, const char* tag)
{
    wxMemoryOutputStream memory;
    wxBlowFishOutputStream out(memory, key ? wxString(key) : GetContainerKey(kContainerPackage), tag);
    out.Write(plain.data(), plain.size());
    out.Close();
    return Contents(memory);
}

void SetDeclaredSize(std::string& zip, const std::string& name, uint32_t size)
{
    // Local header: name at 30, size at 22. Central header: name at 46, size at 24.
    for (size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 4))
    {
        if (zip.compare(at + 30, name.size(), name) == 0)
            Store32(zip, at + 22, size);
    }
    for (size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4))
    {
        if (zip.compare(at + 46, name.size(), name) == 0)
            Store32(zip, at + 24, size);
    }
}
}  // namespace orvtest
