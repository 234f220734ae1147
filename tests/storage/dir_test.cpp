#include "storage/dir.h"

#include <gtest/gtest.h>
#include <wx/filename.h>

#include <filesystem>

#include "archive_builder.h"
#include "storage/container_types.h"
#include "storage/dir_data.h"
#include "storage/dir_traverser.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

using orvtest::ArchiveEntry;

namespace
{
std::string ReadText(const CDir& dir, const wxString& path)
{
    CFile file = dir.OpenFile(path);
    wxMemoryBuffer bytes;
    if (!file.IsOk() || !file.ReadAll(bytes))
        return "<unreadable>";
    return std::string(static_cast<const char*>(bytes.GetData()), bytes.GetDataLen());
}

// Relative paths a traversal of `dir` reports, in order.
std::vector<std::string> Listing(const CDir& dir)
{
    struct Collect : wxDirTraverser
    {
        wxDirTraverseResult OnFile(const wxString& path) override
        {
            paths.push_back(std::string(path.utf8_str()));
            return wxDIR_CONTINUE;
        }
        wxDirTraverseResult OnDir(const wxString& path) override
        {
            paths.push_back(std::string(path.utf8_str()) + "/");
            return wxDIR_CONTINUE;
        }
        std::vector<std::string> paths;
    } collect;
    dir.Traverse(collect);
    const std::string base = std::string(dir.GetPath().utf8_str()) + "/";
    for (std::string& path : collect.paths)
        path = path.substr(0, base.size()) == base ? path.substr(base.size()) : "!" + path;
    return collect.paths;
}

class DirTest : public ::testing::Test
{
protected:
    DirTest() : m_root(wxString::FromUTF8(m_temp.Path())), m_type(AddContainerAlias("darevirudu")) {}

    std::string Path(const std::string& relative) const { return m_temp.Sub(relative); }
    // Writes Studio.darevirudu holding the given entries.
    void WritePackage(const std::string& name, const std::vector<ArchiveEntry>& entries)
    {
        m_temp.Write(name + ".darevirudu", orvtest::PackageBytes(orvtest::ZipBytes(entries)));
    }

    orvtest::TempDir m_temp;
    orvtest::LogCapture m_log;
    CDir m_root;
    int m_type;
};
}  // namespace

TEST_F(DirTest, PathSpellingsReachTheSameNode)
{
    m_temp.Write("a/b/f.txt", "content");
    for (const char* spelling : {"a/b", "a\\b", "a/b/", "a/./b", "./a/b", "a//b", "a\\b\\"})
    {
        SCOPED_TRACE(spelling);
        const CDir dir = m_root.GetDir(spelling);
        ASSERT_TRUE(dir.IsOk());
        EXPECT_EQ(dir.GetPath(), wxString::FromUTF8(Path("a/b")));
        EXPECT_EQ(ReadText(m_root, wxString(spelling) + "/f.txt"), "content");
    }
    EXPECT_EQ(ReadText(m_root, "a\\b\\f.txt"), "content");
}

TEST_F(DirTest, EmptyNameIsTheTopAndDotDotThePArent)
{
    m_temp.Write("a/b/f.txt", "x");
    const CDir deep = m_root.GetDir("a/b");
    EXPECT_EQ(deep.GetDir("").GetPath(), m_root.GetPath());
    EXPECT_EQ(deep.GetDir("..").GetPath(), wxString::FromUTF8(Path("a")));
    EXPECT_EQ(ReadText(deep, "../b/f.txt"), "x");
    EXPECT_FALSE(m_root.GetDir("..").IsValid());
    EXPECT_FALSE(m_root.GetDir("missing").IsValid());
    EXPECT_FALSE(m_root.OpenFile("a/missing/f.txt").IsOk());
}

TEST_F(DirTest, PackageWrittenThroughTheTreeReadsBackByteExactly)
{
    std::string binary(70000, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 7919 >> 3);
    const std::string inner = orvtest::ZipBytes({{"x/", ""}, {"x/y.txt", "inner file"}});
    {
        const CDir package = m_root.MakeDir("Studio", true, m_type, true, true);
        ASSERT_TRUE(package.IsOk());
        for (const auto& file : std::vector<std::pair<wxString, std::string>>{
                 {"index.xml", "<application/>"}, {"img/a.png", binary}, {"img/deep/b.txt", ""}, {"inner.zip", inner}})
        {
            const wxString dir = file.first.BeforeLast('/');
            const CDir target = dir.empty() ? package : package.MakeDir(dir, false, 0, false, true);
            ASSERT_TRUE(target.IsValid()) << file.first;
            CFile out = target.CreateFile(file.first.AfterLast('/'));
            ASSERT_TRUE(out.WriteAll(file.second.data(), file.second.size()));
        }
    }
    ASSERT_TRUE(m_temp.Exists("Studio.darevirudu"));
    EXPECT_EQ(m_temp.Read("Studio.darevirudu").substr(0, 8), std::string("\x01vksVKMC"));

    const CDir studio = m_root.GetDir("Studio", m_type, true);
    ASSERT_TRUE(studio.IsOk());
    EXPECT_EQ(studio.GetPath(), wxString::FromUTF8(Path("Studio.darevirudu/Studio")));
    EXPECT_FALSE(studio.GetData()->IsNative());
    EXPECT_EQ(ReadText(studio, "index.xml"), "<application/>");
    EXPECT_EQ(ReadText(studio, "img/a.png"), binary);
    EXPECT_EQ(ReadText(studio, "img\\deep\\b.txt"), "");
    EXPECT_EQ(studio.GetDir("..").GetPath(), m_root.GetPath());
    EXPECT_EQ(studio.GetDir("img").GetDir("").GetPath(), m_root.GetPath());
    EXPECT_EQ(ReadText(studio.GetDir("inner", kContainerZip), "x/y.txt"), "inner file");
    // An archive is walked in the sorted order of its entry names.
    EXPECT_EQ(Listing(studio.GetDir("img")), (std::vector<std::string>{"a.png", "deep/", "deep/b.txt"}));
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

// Entries larger than the windows the package is deciphered in, stored and deflated, read in an order unlike
// the archive's and read again: each comes out whole (the reads of one entry are deciphered ahead within it).
TEST_F(DirTest, LargeEntriesOfAPackageReadInAnyOrder)
{
    std::vector<ArchiveEntry> entries{{"Big/", ""}};
    for (int i = 0; i < 6; ++i)
    {
        std::string data(150000 + 97000 * i, '\0');
        for (size_t at = 0; at < data.size(); ++at)
            data[at] = static_cast<char>(i % 2 ? (at * 2654435761u) >> 13 : 'a' + at % 23);
        entries.push_back({"Big/e" + std::to_string(i), data});
    }
    WritePackage("Big", entries);
    const CDir big = m_root.GetDir("Big", m_type, true);
    ASSERT_TRUE(big.IsOk());
    for (int i : {4, 1, 5, 0, 3, 2, 2, 4})
        EXPECT_TRUE(ReadText(big, "e" + std::to_string(i)) == entries[i + 1].data) << "e" << i;
    EXPECT_EQ(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
}

TEST_F(DirTest, PackageOpensAtItsProjectDirectory)
{
    const struct
    {
        const char* what;
        std::vector<ArchiveEntry> entries;
        const char* opensAt;  // relative to the temp directory
    } cases[] = {
        {"same name", {{"Other/", ""}, {"Studio/", ""}, {"Studio/f.txt", "s"}}, "Studio.darevirudu/Studio"},
        {"single directory of another name", {{"Other/", ""}, {"Other/f.txt", "o"}}, "Studio.darevirudu/Other"},
        {"files at the top", {{"f.txt", "t"}, {"Other/", ""}}, "Studio.darevirudu"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WritePackage("Studio", c.entries);
        const CDir dir = m_root.GetDir("Studio", m_type, true);
        ASSERT_TRUE(dir.IsOk());
        EXPECT_EQ(dir.GetPath(), wxString::FromUTF8(Path(c.opensAt)));
        EXPECT_NE(ReadText(dir, "f.txt"), "<unreadable>");
        EXPECT_EQ(dir.GetDir("..").GetPath(), m_root.GetPath());
    }
}

TEST_F(DirTest, RealDirectoryIsPreferredOverThePackage)
{
    WritePackage("Studio", {{"Studio/", ""}, {"Studio/f.txt", "packed"}});
    m_temp.Write("Studio/f.txt", "plain");
    const CDir dir = m_root.GetDir("Studio", m_type, true);
    EXPECT_TRUE(dir.GetData()->IsNative());
    EXPECT_EQ(ReadText(dir, "f.txt"), "plain");
}

TEST_F(DirTest, ArchiveWithoutDirectoryEntriesShowsOnlyItsTopLevel)
{
    m_temp.Write("flat.zip", orvtest::ZipBytes({{"top.txt", "t"}, {"sub/deep.txt", "d"}}));
    const CDir flat = m_root.GetDir("flat", kContainerZip);
    ASSERT_TRUE(flat.IsOk());
    EXPECT_EQ(ReadText(flat, "top.txt"), "t");
    EXPECT_FALSE(flat.GetDir("sub").IsValid());
    EXPECT_FALSE(flat.OpenFile("sub/deep.txt").IsOk());
    EXPECT_EQ(Listing(flat), std::vector<std::string>{"top.txt"});
}

TEST_F(DirTest, TraversingADirectoryLeavesOutItsNamesakeSibling)
{
    m_temp.Write("pics.zip", orvtest::ZipBytes({{"img/", ""}, {"img/a.png", "a"}, {"img2/", ""}, {"img2/b.png", "b"}}));
    const CDir img = m_root.GetDir("pics", kContainerZip).GetDir("img");
    EXPECT_EQ(Listing(img), std::vector<std::string>{"a.png"});
}

TEST_F(DirTest, BadPackagesGiveAnArchiveThatIsNotOk)
{
    const std::string zip = orvtest::ZipBytes({{"Studio/", ""}, {"Studio/f.txt", "f"}});
    const std::string package = orvtest::PackageBytes(zip);
    const struct
    {
        const char* what;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"plain zip", zip, "Can not open package"},
        {"other tag", orvtest::PackageBytes(zip, nullptr, "pst"), "package of another type"},
        {"cut in the middle", package.substr(0, package.size() / 2), "Can not open package"},
        {"empty file", "", "Can not open package"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_log.Clear();
        m_temp.Write("Studio.darevirudu", c.bytes);
        const CDir dir = m_root.GetDir("Studio", m_type, true);
        ASSERT_TRUE(dir.IsValid());
        EXPECT_FALSE(dir.IsOk());
        EXPECT_FALSE(dir.OpenFile("Studio/f.txt").IsOk());
        EXPECT_TRUE(m_log.Contains(c.error, wxLOG_Error)) << m_log.Dump();
        EXPECT_TRUE(m_log.Contains(Path("Studio.darevirudu"))) << m_log.Dump();
    }
}

TEST_F(DirTest, DamagedContentFailsWithAnErrorInsteadOfData)
{
    const std::string zip = orvtest::ZipBytes({{"Studio/", ""}, {"Studio/f.txt", std::string(5000, 'q')}});
    std::string damaged = orvtest::PackageBytes(zip);
    for (size_t i = 100; i < 140; ++i)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    const struct
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"wrong key", orvtest::PackageBytes(zip, "not the key")},
        {"damaged blocks", damaged},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_log.Clear();
        m_temp.Write("Studio.darevirudu", c.bytes);
        const CDir dir = m_root.GetDir("Studio", m_type, false);
        ASSERT_TRUE(dir.IsOk());
        EXPECT_FALSE(dir.OpenFile("Studio/f.txt").IsOk());
        EXPECT_GT(m_log.Count("", wxLOG_Error), 0) << m_log.Dump();
    }
}

TEST_F(DirTest, OversizedEntriesAreRefusedAndTheRestStaysUsable)
{
    std::string zip = orvtest::ZipBytes({{"ok.txt", "fine"},
                                         {"huge.bin", "h"},
                                         {"p1", "1"},
                                         {"p2", "2"},
                                         {"p3", "3"},
                                         {"p4", "4"},
                                         {"p5", "5"},
                                         {"p6", "6"}});
    orvtest::SetDeclaredSize(zip, "huge.bin", 300u * 1024 * 1024);
    for (const char* name : {"p1", "p2", "p3", "p4", "p5", "p6"})
        orvtest::SetDeclaredSize(zip, name, 200u * 1024 * 1024);
    m_temp.Write("bomb.darevirudu", orvtest::PackageBytes(zip));
    const CDir bomb = m_root.GetDir("bomb", m_type);
    ASSERT_TRUE(bomb.IsOk());

    EXPECT_FALSE(bomb.OpenFile("huge.bin").IsOk());
    EXPECT_TRUE(m_log.Contains("Can not open entry 'huge.bin'", wxLOG_Error)) << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("above the limit")) << m_log.Dump();
    EXPECT_FALSE(bomb.OpenFile("p6").IsOk());
    EXPECT_TRUE(m_log.Contains("Can not open entry 'p6'", wxLOG_Error)) << m_log.Dump();
    EXPECT_TRUE(m_log.Contains("would expand beyond")) << m_log.Dump();
    EXPECT_EQ(ReadText(bomb, "ok.txt"), "fine");
}

TEST_F(DirTest, MakeDirCreatesMissingLevelsAndReplacesOnRequest)
{
    const CDir made = m_root.MakeDir("x\\y/z", false, 0, false, true);
    ASSERT_TRUE(made.IsOk());
    EXPECT_TRUE(wxFileName::DirExists(wxString::FromUTF8(Path("x/y/z"))));
    EXPECT_FALSE(m_root.MakeDir("x/y/z", false, 0, false, true).IsValid());  // exists already
    m_temp.Write("x/y/z/old.txt", "old");
    EXPECT_TRUE(m_root.GetDir("x/y").MakeDir("z", false, 0, true, true).IsOk());
    EXPECT_FALSE(m_temp.Exists("x/y/z/old.txt"));
    EXPECT_TRUE(m_root.Exists("x/y/z"));
}

// Removing a directory must not follow a link out of it.
TEST_F(DirTest, RemoveDeletesLinksNotWhatTheyPointTo)
{
    m_temp.Write("keep/precious.txt", "p");
    m_temp.Write("gone/.hidden/f.txt", "f");
    std::filesystem::create_directory_symlink(Path("keep"), Path("gone/link"));
    EXPECT_TRUE(m_root.Remove("gone"));
    EXPECT_FALSE(m_temp.Exists("gone"));
    EXPECT_EQ(m_temp.Read("keep/precious.txt"), "p");
}

TEST_F(DirTest, AFileStillOpenWhenTheArchiveIsFinishedCanNoLongerWrite)
{
    CDir package = m_root.MakeDir("Late", true, m_type, true, true);
    CFile open = package.CreateFile("a.txt");
    ASSERT_TRUE(open.WriteAll("early", 5));
    EXPECT_TRUE(package.FinishArchive());
    EXPECT_FALSE(open.WriteAll("late", 4));
    EXPECT_FALSE(package.CreateFile("b.txt").IsOk());
    EXPECT_FALSE(package.MakeDir("sub", false, 0, false, true).IsValid());
    open = CFile();
    package = CDir();
    EXPECT_EQ(ReadText(m_root.GetDir("Late", m_type, true), "a.txt"), "early");
}
