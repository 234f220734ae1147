#include "storage/compile.h"

#include <gtest/gtest.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <filesystem>

#include "storage/blow_fish_stream.h"
#include "storage/container_types.h"
#include "storage/user_report.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace
{
class CompileTest : public ::testing::Test
{
protected:
    CompileTest()
    {
        m_previous = SetUserReport(
            [this](ReportKind, const wxString& text) { m_reports.push_back(std::string(text.utf8_str())); });
    }
    ~CompileTest() override { SetUserReport(m_previous); }

    bool Compile(const std::string& project)
    {
        m_reports.clear();
        return CCompile(CDir(wxString::FromUTF8(m_temp.Sub(project)))).Compile();
    }

    // Entry names of a package in the order the archive holds them.
    std::vector<std::string> Entries(const std::string& package)
    {
        wxFileInputStream file(wxString::FromUTF8(m_temp.Sub(package)));
        wxBlowFishInputStream plain(file, GetContainerKey(kContainerPackage), "vks");
        wxZipInputStream zip(plain);
        std::vector<std::string> names;
        while (std::unique_ptr<wxZipEntry> entry{zip.GetNextEntry()})
            names.push_back(std::string(entry->GetInternalName().utf8_str()) + (entry->IsDir() ? "/" : ""));
        return names;
    }

    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_temp.Path()))
        {
            const std::string name = entry.path().filename().string();
            if (name.find(".part") != std::string::npos)
                names.push_back(name);
        }
        return names;
    }

    orvtest::TempDir m_temp;
    orvtest::LogCapture m_log;
    std::vector<std::string> m_reports;
    UserReportFunction m_previous;
};

const std::vector<std::string> kSuccess = {"Project successfully compiled"};
const std::vector<std::string> kFailure = {"Failed to compile Project"};
}  // namespace

TEST_F(CompileTest, StudioBecomesAPackageBesideIt)
{
    m_temp.Write("Studio/index.xml", "<application/>");
    m_temp.Write("Studio/img/a.png", "PNG");
    ASSERT_TRUE(Compile("Studio")) << m_log.Dump();
    EXPECT_EQ(m_reports, kSuccess);
    EXPECT_EQ(Entries("Studio.darevirudu"),
              (std::vector<std::string>{"Studio/", "Studio/img/", "Studio/img/a.png", "Studio/index.xml"}));

    std::filesystem::rename(m_temp.Sub("Studio"), m_temp.Sub("Studio.src"));
    const CDir opened = CDir(wxString::FromUTF8(m_temp.Path())).GetDir("Studio", AddContainerAlias("darevirudu"), true);
    ASSERT_TRUE(opened.IsOk());
    EXPECT_EQ(opened.GetPath(), wxString::FromUTF8(m_temp.Sub("Studio.darevirudu/Studio")));
    EXPECT_TRUE(opened.FileExists("img/a.png"));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(CompileTest, HiddenFilesArePackedAndEmptyDirectoriesAreNot)
{
    m_temp.Write("P/.hidden", "h");
    m_temp.Write("P/.dir/x", "x");
    std::filesystem::create_directories(m_temp.Sub("P/empty/deeper"));
    ASSERT_TRUE(Compile("P"));
    std::vector<std::string> entries = Entries("P.darevirudu");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"P/", "P/.dir/", "P/.dir/x", "P/.hidden"}));
}

TEST_F(CompileTest, CompilingAgainReplacesThePackage)
{
    m_temp.Write("P/a.txt", "first");
    ASSERT_TRUE(Compile("P"));
    m_temp.Write("P/a.txt", "second, longer");
    m_temp.Write("P/b.txt", "b");
    ASSERT_TRUE(Compile("P"));
    std::vector<std::string> entries = Entries("P.darevirudu");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"P/", "P/a.txt", "P/b.txt"}));
    std::filesystem::remove_all(m_temp.Sub("P"));  // so that the name finds the package
    const CDir package = CDir(wxString::FromUTF8(m_temp.Path())).GetDir("P", AddContainerAlias("darevirudu"), false);
    CFile file = package.OpenFile("P/a.txt");
    wxMemoryBuffer bytes;
    ASSERT_TRUE(file.ReadAll(bytes)) << m_log.Dump();
    EXPECT_EQ(std::string(static_cast<char*>(bytes.GetData()), bytes.GetDataLen()), "second, longer");
    EXPECT_TRUE(package.FileExists("P/b.txt"));
}

// A compile that fails half-way must leave the package of the previous compile as it was.
TEST_F(CompileTest, AnUnreadableFileKeepsTheOldPackage)
{
    m_temp.Write("P/a.txt", "a");
    ASSERT_TRUE(Compile("P"));
    const std::string before = m_temp.Read("P.darevirudu");
    std::filesystem::create_symlink(m_temp.Sub("nowhere"), m_temp.Sub("P/z-dangling"));
    m_log.Clear();
    EXPECT_FALSE(Compile("P"));
    EXPECT_EQ(m_reports, kFailure);
    EXPECT_TRUE(m_log.Contains("File open error !", wxLOG_Error)) << m_log.Dump();
    EXPECT_EQ(m_temp.Read("P.darevirudu"), before);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(CompileTest, ANameWithAnExtensionKeepsIt)
{
    m_temp.Write("Studio.live/index.xml", "<application/>");
    ASSERT_TRUE(Compile("Studio.live"));
    EXPECT_EQ(Entries("Studio.live.darevirudu"), (std::vector<std::string>{"Studio.live/", "Studio.live/index.xml"}));
}

TEST_F(CompileTest, ABadProjectPathIsRefused)
{
    m_temp.Write("single", "file");
    EXPECT_FALSE(Compile("single"));
    EXPECT_EQ(m_reports, kFailure);
    EXPECT_TRUE(m_log.Contains("'" + m_temp.Sub("single") + "' is single file not directory Bad path ", wxLOG_Error))
        << m_log.Dump();
    EXPECT_FALSE(Compile("missing"));
    EXPECT_EQ(m_reports, kFailure);
    EXPECT_TRUE(m_log.Contains("Bad path '" + m_temp.Path() + "/missing'", wxLOG_Error)) << m_log.Dump();
    EXPECT_FALSE(m_temp.Exists("missing.darevirudu"));
}
