#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace orvtest
{
TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "orvtest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    fs::path path = fs::path(m_path) / name;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return path.string();
}

std::string TempDir::Read(const std::string& name) const
{
    std::ifstream in(fs::path(m_path) / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TempDir::Exists(const std::string& name) const
{
    return fs::exists(fs::path(m_path) / name);
}
}  // namespace orvtest
