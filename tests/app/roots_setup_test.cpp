#include "app/roots_setup.h"

#include <gtest/gtest.h>
#include <wx/config.h>
#include <wx/filefn.h>

#include "app/standard_dirs.h"
#include "storage/roots.h"
#include "storage/user_settings.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace
{
// Standard directories laid out like Windows' (each ending in the executable's name) inside a test directory.
class CFakeDirs : public CStandardDirs
{
public:
    explicit CFakeDirs(const std::string& base) : m_base(wxString::FromUTF8(base)) {}

    wxString GetConfigDir() const override { return m_base + "\\ProgramData\\varnekorvpanel"; }
    wxString GetUserDataDir() const override { return m_base + "/Roaming/" + m_userData; }
    wxString GetDocumentsDir() const override { return m_base + "/Documents"; }
    wxString GetExecutablePath() const override { return m_base + "/bin/varnekorvpanel"; }
    wxString GetTempDir() const override { return m_base + "/tmp"; }
    wxString GetWorkingDir() const override { return m_base + "/run"; }
    wxString GetAppName() const override { return m_appName; }
    unsigned long GetProcessId() const override { return m_pid; }

    wxString m_base;
    wxString m_appName = "varnekorvpanel";
    wxString m_userData = "varnekorvpanel";
    unsigned long m_pid = 4242;
};

class RootsSetupTest : public ::testing::Test
{
protected:
    RootsSetupTest() : m_dirs(m_temp.Path())
    {
        ClearRoots();
        for (const char* dir : {"ProgramData", "Roaming", "Documents", "bin", "tmp", "run"})
            wxMkdir(m_dirs.m_base + "/" + dir);
    }
    ~RootsSetupTest() override
    {
        ClearRoots();
        delete wxConfigBase::Set(nullptr);
    }

    wxString Under(const char* relative) const { return m_dirs.m_base + "/" + relative; }

    orvtest::TempDir m_temp;
    orvtest::LogCapture m_log;
    CFakeDirs m_dirs;
};
}  // namespace

TEST(RootsDerivation, NamedDirectoriesBecomeTheShortName)
{
    const struct
    {
        const char* dir;
        const char* derived;
    } cases[] = {
        {"C:\\ProgramData\\varnekorvpanel", "C:/ProgramData/varnek"},
        {"/home/op/.varnekorvpanel", "/home/op/.varnek"},
        {"/home/op/Documents", "/home/op/Documents"},
        {"/home/op/varnekorvpanel.old", "/home/op/varnekorvpanel.old"},
        {"varnekorvpanel", "/varnek"},
        {"/varnekorvpanel", "/varnek"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeriveDir(c.dir, "varnekorvpanel", false), c.derived) << c.dir;
}

TEST_F(RootsSetupTest, MainConfigUsesTheShortNameOnlyWhenItExists)
{
    EXPECT_EQ(DeriveMainConfigDir(m_dirs.GetConfigDir(), "varnekorvpanel"), Under("ProgramData"));
    wxMkdir(Under("ProgramData/varnek"));
    EXPECT_EQ(DeriveMainConfigDir(m_dirs.GetConfigDir(), "varnekorvpanel"), Under("ProgramData/varnek"));
    EXPECT_EQ(DeriveMainConfigDir("/etc", "varnekorvpanel"), "/etc");
}

TEST_F(RootsSetupTest, ModuleStageRegistersTheFirstRoots)
{
    RegisterFirstRoots(m_dirs);
    EXPECT_EQ(GetRootPath("RUN"), Under("run"));
    EXPECT_EQ(GetRootPath("MAINCFG"), Under("ProgramData"));  // its varnek directory did not exist yet
    EXPECT_EQ(GetRootPath("ALLUSERCFG"), Under("ProgramData/varnek"));
    EXPECT_EQ(GetRootPath("USERCFG"), Under("Roaming/varnek"));
    EXPECT_EQ(GetRootPath("USERDOC"), Under("Documents"));
    EXPECT_EQ(GetRootPath("TMP"), Under("tmp/varnek4242"));
    for (const char* made : {"ProgramData/varnek", "Roaming/varnek", "tmp/varnek4242"})
        EXPECT_TRUE(wxDirExists(Under(made))) << made;
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(RootsSetupTest, EachProcessHasItsOwnTemporaryDirectoryRemovedAtExit)
{
    RegisterFirstRoots(m_dirs);
    CFakeDirs other(m_temp.Path());
    other.m_pid = 4343;
    ClearRoots();
    RegisterFirstRoots(other);
    EXPECT_EQ(GetRootPath("TMP"), Under("tmp/varnek4343"));
    m_temp.Write("tmp/varnek4242/work/file.txt", "x");
    RemoveTempDir(m_dirs);
    EXPECT_FALSE(wxDirExists(Under("tmp/varnek4242")));
    EXPECT_TRUE(wxDirExists(Under("tmp/varnek4343")));
}

TEST_F(RootsSetupTest, OptionalRootsThatCannotBeMadeAreLeftOut)
{
    m_temp.Write("Roaming/blocked", "a file where the directory should go");
    m_dirs.m_userData = "blocked/varnekorvpanel";
    RegisterFirstRoots(m_dirs);
    EXPECT_EQ(GetRootPath("USERCFG"), "");
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
    EXPECT_FALSE(InstallUserSettings(m_dirs));
}

TEST_F(RootsSetupTest, StartupAddsThemeAndLogAndTheFirstRootsFileFound)
{
    RegisterFirstRoots(m_dirs);
    EXPECT_FALSE(SetUpStartupRoots(m_dirs));
    EXPECT_EQ(GetRootPath("THEME"), Under("run/themes"));
    EXPECT_EQ(GetRootPath("LOG"), Under("run/log"));

    m_temp.Write("run/varnekorvpanel.conf", "FROM = %%RUN%%/run-file\n");
    m_temp.Write("bin/varnekorvpanel.conf", "from = %%RUN%%/bin-file\n");
    ClearRoots();
    RegisterFirstRoots(m_dirs);
    EXPECT_TRUE(SetUpStartupRoots(m_dirs));
    EXPECT_EQ(GetRootPath("FROM"), Under("run/bin-file"));

    // ALLUSERCFG made ProgramData/varnek on the first start, so MAINCFG is that directory from now on.
    m_temp.Write("ProgramData/varnek/varnekorvpanel.conf", "  theme = %%USERDOC%%/themes  # shared\n");
    ClearRoots();
    RegisterFirstRoots(m_dirs);
    EXPECT_EQ(GetRootPath("MAINCFG"), Under("ProgramData/varnek"));
    EXPECT_TRUE(SetUpStartupRoots(m_dirs));
    EXPECT_EQ(GetRootPath("FROM"), "");
    EXPECT_EQ(GetRootPath("THEME"), Under("Documents/themes"));
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(RootsSetupTest, UserSettingsLiveInThePerUserDirectory)
{
    m_dirs.m_appName = "VARNEK Orvanta Panel";
    m_dirs.m_userData = "VARNEK Orvanta Panel";
    m_temp.Write("Roaming/varnek/varnekorvpanel.conf", "vuspeed=0\nautolock=11\nposx=-2\nposy=40\n");
    ASSERT_TRUE(InstallUserSettings(m_dirs));
    EXPECT_EQ(ReadUserSetting(UserSetting::VuSpeed), 25);
    EXPECT_EQ(ReadUserSetting(UserSetting::AutoLock), 5);
    EXPECT_EQ(ReadUserSetting(UserSetting::MaintainMs), 500);
    EXPECT_EQ(ReadUserSetting(UserSetting::PosX), -1);
    EXPECT_EQ(ReadUserSetting(UserSetting::PosY), 40);
    WriteUserSetting(UserSetting::AutoLock, 3);
    delete wxConfigBase::Set(nullptr);  // writes the file, as the toolkit does at exit
    EXPECT_NE(m_temp.Read("Roaming/varnek/varnekorvpanel.conf").find("autolock=3"), std::string::npos);
}
