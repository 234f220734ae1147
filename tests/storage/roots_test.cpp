#include "storage/roots.h"

#include <gtest/gtest.h>
#include <wx/filefn.h>

#include "storage/dir.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace
{
class RootsTest : public ::testing::Test
{
protected:
    RootsTest() : m_base(wxString::FromUTF8(m_temp.Path()))
    {
        ClearRoots();
        RegisterRoot("USERDOC", m_base + "/docs", false);
    }
    ~RootsTest() override { ClearRoots(); }

    bool Load(const std::string& text)
    {
        m_temp.Write("varnekorvpanel.conf", text);
        CFile file = CDir(m_base).OpenFile("varnekorvpanel.conf");
        return LoadRootDefinitions(file);
    }

    orvtest::TempDir m_temp;
    orvtest::LogCapture m_log;
    wxString m_base;
};
}  // namespace

TEST_F(RootsTest, RegisteringAgainstAnExistingNameKeepsTheOldPath)
{
    EXPECT_FALSE(RegisterRoot("userdoc", "/elsewhere", false));
    EXPECT_EQ(GetRootPath("USERDOC"), m_base + "/docs");
    EXPECT_TRUE(m_log.Contains("dupplicate root 'USERDOC' (want '/elsewhere' was '" + m_base.ToStdString() + "/docs')",
                               wxLOG_Error))
        << m_log.Dump();
    EXPECT_TRUE(RegisterRoot("UserDoc", "/elsewhere", true));
    EXPECT_EQ(GetRoot("userdoc").GetPath(), "/elsewhere");
    EXPECT_FALSE(GetRoot("NOPE").IsValid());
}

TEST_F(RootsTest, ExpandRootPathSubstitutesReferencesAndNormalises)
{
    RegisterRoot("WEB", "https://example.org/panels", false);
    const wxString docs = m_base + "/docs";
    const struct
    {
        wxString text;
        bool ok;
        wxString expected;
    } cases[] = {
        {"%%USERDOC%%/Panels", true, docs + "/Panels"},
        {"%%USERDOC%%\\a\\..\\Panels", true, docs + "/Panels"},
        {m_base + "/pre/%%USERDOC%%", true, m_base + "/pre" + docs},
        {"%%userdoc%%/Panels", false, ""},
        {"%%NOSUCH%%/Panels", false, ""},
        {"%%%%/x", true, wxGetCwd() + "/%%%%/x"},
        {"https://example.org/x", true, "https://example.org/x"},
        {"%%WEB%%", true, "https://example.org/panels"},
        {"relative/dir", true, wxGetCwd() + "/relative/dir"},
    };
    for (const auto& c : cases)
    {
        wxString text = c.text;
        EXPECT_EQ(ExpandRootPath(text), c.ok) << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

// A root whose path holds reference marks must not make the expansion run for ever.
TEST_F(RootsTest, SubstitutedPathsAreNotExpandedAgain)
{
    RegisterRoot("LOOP", "/x/%%LOOP", true);
    wxString text = "%%LOOP%%%%";
    EXPECT_TRUE(ExpandRootPath(text));
    EXPECT_EQ(text, "/x/%%LOOP%%");
}

TEST_F(RootsTest, DefinitionFileBindsNamesAndSkipsBadLines)
{
    EXPECT_TRUE(
        Load("# site roots\n"
             "\n"
             "   theme =  %%USERDOC%%/themes   # shared themes\n"
             "UserTheme=%%THEME%%/mine\n"
             "web = http://example.org/panel\n"
             "broken = %%NOSUCH%%/x\n"
             "lower = %%userdoc%%/x\n"
             "USERDOC = " +
             m_temp.Sub("other") + "\n"));
    EXPECT_EQ(GetRootPath("THEME"), m_base + "/docs/themes");
    EXPECT_EQ(GetRootPath("USERTHEME"), m_base + "/docs/themes/mine");
    EXPECT_EQ(GetRootPath("WEB"), "http://example.org/panel");
    EXPECT_EQ(GetRootPath("USERDOC"), m_base + "/other");  // replaced without a message
    EXPECT_EQ(GetRootPath("BROKEN"), "");
    EXPECT_TRUE(m_log.Contains("Bad dir path: broken = %%NOSUCH%%/x", wxLOG_Error)) << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("Bad dir path: lower = %%userdoc%%/x", wxLOG_Error)) << m_log.Dump();
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 2) << m_log.Dump();
    CFile none;
    EXPECT_FALSE(LoadRootDefinitions(none));
}

TEST_F(RootsTest, CreateRootDirsMakesMissingDirectoriesAndReportsFailures)
{
    m_temp.Write("file", "not a directory");
    RegisterRoot("WEB", "https://example.org/panels", false);
    EXPECT_TRUE(CreateRootDirs());
    EXPECT_TRUE(m_temp.Exists("docs"));
    RegisterRoot("BAD", m_base + "/file/sub", false);
    EXPECT_FALSE(CreateRootDirs());
    EXPECT_TRUE(m_log.Contains("Can not create dir '" + m_base.ToStdString() + "/file/sub' for root BAD", wxLOG_Error))
        << m_log.Dump();
    EXPECT_EQ(m_log.Count("Can not create dir"), 1) << m_log.Dump();
}
