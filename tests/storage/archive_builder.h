#pragma once
// Builds small zip archives and packages in memory for the storage tests.
#include <string>
#include <vector>

namespace orvtest
{
struct ArchiveEntry
{
    std::string name;  // a name ending in '/' is a directory entry
    std::string data;
};

// A zip archive holding the entries in the given order.
std::string ZipBytes(const std::vector<ArchiveEntry>& entries);
// The bytes wrapped in the encrypted package stream (package key and tag unless given).
std::string PackageBytes(const std::string& plain, const char* key = nullptr, const char* tag = "vks");
// Sets the declared uncompressed size of entry `name` in both of its zip headers.
void SetDeclaredSize(std::string& zip, const std::string& name, uint32_t size);
}  // namespace orvtest
