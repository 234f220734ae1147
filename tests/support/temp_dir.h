#pragma once
// A fresh directory for one test, removed with everything in it when the object goes away.
#include <string>

namespace orvtest
{
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of an entry inside the directory.
    std::string Sub(const std::string& name) const { return m_path + "/" + name; }
    // Writes a file (creating parent directories) and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // Whole content of a file inside the directory; empty when it cannot be read.
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::string m_path;
};
}  // namespace orvtest
