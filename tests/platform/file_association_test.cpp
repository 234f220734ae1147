#include "platform/file_association.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/resources.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace
{
const char kExe[] = "/opt/varnek/varnekorvpanel";

const char kDesktopEntry[] =
    "[Desktop Entry]\nType=Application\nVersion=1.0\nName=VARNEK Orvanta Panel\n"
    "Comment=Remote control panel for VARNEK Orvanta audio processors\n"
    "Exec=\"/opt/varnek/varnekorvpanel\" %f\nIcon=varnekorvpanel\nMimeType=application/x-darevirudu;\n"
    "Terminal=false\nNoDisplay=true\nCategories=AudioVideo;Audio;\n";

const char kMimePackage[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-darevirudu\">\n"
    "    <comment>VARNEK Orvanta Panel File</comment>\n"
    "    <icon name=\"varnekorvpanel\"/>\n"
    "    <glob pattern=\"*.darevirudu\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

// Sets an environment variable for the life of the object.
class CScopedEnv
{
public:
    CScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~CScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Temporary XDG homes, and a PATH without the desktop database tools unless a test puts them back.
class FileAssociationTest : public testing::Test
{
protected:
    FileAssociationTest()
        : m_dataHome("XDG_DATA_HOME", m_dir.Sub("data")),
          m_configHome("XDG_CONFIG_HOME", m_dir.Sub("config")),
          m_path("PATH", m_dir.Sub("no-tools"))
    {
    }

    // Every file below the temporary directory with its content, by relative path.
    std::map<std::string, std::string> Files() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir.Path()))
        {
            if (entry.is_regular_file())
            {
                const std::string name = fs::relative(entry.path(), m_dir.Path()).string();
                files[name] = m_dir.Read(name);
            }
        }
        return files;
    }

    static std::map<std::string, std::string> RegisteredFiles(const std::string& desktopEntry,
                                                              const std::string& mimeApps)
    {
        std::map<std::string, std::string> files = {
            {"data/mime/packages/varnekorvpanel.xml", kMimePackage},
            {"data/applications/varnekorvpanel.desktop", desktopEntry},
            {"config/mimeapps.list", mimeApps},
        };
        for (int size : GetProgramIconSizes())
        {
            const CResourceBytes png = GetResourceBytes(wxString::Format("icon_%d.png", size));
            files["data/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                  "/apps/varnekorvpanel.png"] = std::string(reinterpret_cast<const char*>(png.data), png.size);
        }
        return files;
    }

    orvtest::TempDir m_dir;
    CScopedEnv m_dataHome;
    CScopedEnv m_configHome;
    CScopedEnv m_path;
};

const char kOurDefault[] = "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\n";
}  // namespace

TEST_F(FileAssociationTest, RegisterWritesTheTypeTheEntryTheIconsAndTheDefault)
{
    orvtest::LogCapture log;
    EXPECT_TRUE(RegisterFileType(kExe));
    EXPECT_EQ(Files(), RegisteredFiles(kDesktopEntry, kOurDefault));
    EXPECT_TRUE(log.Records().empty()) << log.Dump();
}

TEST_F(FileAssociationTest, RegisteringTwiceLeavesOneSet)
{
    ASSERT_TRUE(RegisterFileType(kExe));
    ASSERT_TRUE(RegisterFileType(kExe));
    EXPECT_EQ(Files(), RegisteredFiles(kDesktopEntry, kOurDefault));
}

TEST_F(FileAssociationTest, RegisteringAMovedProgramRewritesItsPath)
{
    ASSERT_TRUE(RegisterFileType("/old/place/varnekorvpanel"));
    ASSERT_TRUE(RegisterFileType(kExe));
    EXPECT_EQ(Files(), RegisteredFiles(kDesktopEntry, kOurDefault));
}

TEST_F(FileAssociationTest, UnregisterRemovesOurFilesAndKeepsEverythingElse)
{
    const std::string mimeApps =
        "[Default Applications]\ntext/html=firefox.desktop\n\n[Added Associations]\n"
        "text/plain=gedit.desktop;\n";
    m_dir.Write("config/mimeapps.list", mimeApps);
    m_dir.Write("data/applications/other.desktop", "[Desktop Entry]\n");
    const auto before = Files();
    ASSERT_TRUE(RegisterFileType(kExe));
    ASSERT_TRUE(UnregisterFileType());
    EXPECT_EQ(Files(), before);
}

TEST_F(FileAssociationTest, UnregisterOfNothingDoesNothingAndSaysNothing)
{
    m_dir.Write("config/mimeapps.list", "[Default Applications]\napplication/x-darevirudu=other.desktop");
    const auto before = Files();
    orvtest::LogCapture log;
    EXPECT_TRUE(UnregisterFileType());
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(log.Records().empty()) << log.Dump();
}

TEST_F(FileAssociationTest, AMimeAppsListThatCannotBeReadIsNotReplaced)
{
    fs::create_directories(m_dir.Sub("config/mimeapps.list"));
    orvtest::LogCapture log;
    EXPECT_FALSE(RegisterFileType(kExe));
    EXPECT_TRUE(log.Contains("Can not read '" + m_dir.Sub("config/mimeapps.list") + "'", wxLOG_Error)) << log.Dump();
    EXPECT_TRUE(fs::is_directory(m_dir.Sub("config/mimeapps.list")));
    EXPECT_EQ(m_dir.Read("data/applications/varnekorvpanel.desktop"), kDesktopEntry);
}

TEST_F(FileAssociationTest, ALinkedMimeAppsListStaysALink)
{
    m_dir.Write("dotfiles/mimeapps.list", "[Default Applications]\n");
    fs::create_directories(m_dir.Sub("config"));
    fs::create_symlink(m_dir.Sub("dotfiles/mimeapps.list"), m_dir.Sub("config/mimeapps.list"));
    ASSERT_TRUE(RegisterFileType(kExe));
    EXPECT_TRUE(fs::is_symlink(m_dir.Sub("config/mimeapps.list")));
    EXPECT_EQ(m_dir.Read("dotfiles/mimeapps.list"), kOurDefault);
}

TEST_F(FileAssociationTest, AProgramPathNoDesktopEntryCanHoldIsRefused)
{
    orvtest::LogCapture log;
    EXPECT_FALSE(RegisterFileType("relative/varnekorvpanel"));
    EXPECT_FALSE(RegisterFileType("/opt/new\nline/varnekorvpanel"));
    EXPECT_EQ(log.Count("Can not register the file type for", wxLOG_Error), 2) << log.Dump();
    EXPECT_TRUE(Files().empty());
}

TEST_F(FileAssociationTest, WithoutXdgVariablesTheHomeDefaultsAreUsed)
{
    CScopedEnv home("HOME", m_dir.Sub("home"));
    CScopedEnv data("XDG_DATA_HOME", std::nullopt);
    CScopedEnv config("XDG_CONFIG_HOME", "relative/is/ignored");
    ASSERT_TRUE(RegisterFileType(kExe));
    EXPECT_EQ(m_dir.Read("home/.local/share/applications/varnekorvpanel.desktop"), kDesktopEntry);
    EXPECT_EQ(m_dir.Read("home/.config/mimeapps.list"), kOurDefault);
}

// With the real tools the desktop's MIME database learns the type, and forgets it again.
TEST_F(FileAssociationTest, TheMimeDatabaseLearnsAndForgetsTheType)
{
    CScopedEnv path("PATH", "/usr/local/bin:/usr/bin:/bin");
    if (!fs::exists("/usr/bin/update-mime-database"))
        GTEST_SKIP() << "update-mime-database is not installed";
    ASSERT_TRUE(RegisterFileType(kExe));
    EXPECT_NE(m_dir.Read("data/mime/globs2").find("application/x-darevirudu:*.darevirudu"), std::string::npos);
    ASSERT_TRUE(UnregisterFileType());
    EXPECT_EQ(m_dir.Read("data/mime/globs2").find("darevirudu"), std::string::npos);
}
