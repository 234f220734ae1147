#include "storage/file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive_builder.h"
#include "storage/container_types.h"
#include "storage/dir.h"
#include "storage/dir_data.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace
{
std::vector<wxString> Lines(CFile file)
{
    std::vector<wxString> lines;
    while (!file.Eof())
        lines.push_back(file.ReadLine());
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::string All(CFile file)
{
    wxMemoryBuffer bytes;
    if (!file.ReadAll(bytes))
        return "<failed>";
    return std::string(static_cast<const char*>(bytes.GetData()), bytes.GetDataLen());
}

const wxString kFirst = wxString::FromUTF8("\xC3\xA9t\xC3\xA9 = 1");  // "été = 1"

struct Encoded
{
    const char* what;
    std::string bytes;
};

// "été = 1", "two" in each text encoding a roots file may use.
const Encoded kEncodings[] = {
    {"UTF-8 without mark", "\xC3\xA9t\xC3\xA9 = 1\r\ntwo\n"},
    {"UTF-8 with mark", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9 = 1\ntwo"},
    {"UTF-16 little-endian", std::string("\xFF\xFE\xE9\0t\0\xE9\0 \0=\0 \0001\0\n\0t\0w\0o\0", 24)},
    {"UTF-16 big-endian", std::string("\xFE\xFF\0\xE9\0t\0\xE9\0 \0=\0 \0001\0\n\0t\0w\0o", 24)},
};
}  // namespace

TEST(File, ReadLineDetectsTheEncodingFromTheMark)
{
    orvtest::TempDir temp;
    const CDir dir(wxString::FromUTF8(temp.Path()));
    for (const Encoded& encoded : kEncodings)
    {
        SCOPED_TRACE(encoded.what);
        temp.Write("roots.conf", encoded.bytes);
        EXPECT_EQ(Lines(dir.OpenFile("roots.conf")), (std::vector<wxString>{kFirst, "two"}));
    }
}

TEST(File, ReadAllSkipsAMarkThatReadLineFound)
{
    orvtest::TempDir temp;
    const std::string text = "\xEF\xBB\xBFline\nrest";
    temp.Write("native.txt", text);
    temp.Write("packed.zip", orvtest::ZipBytes({{"packed.txt", text}}));
    const CDir dir(wxString::FromUTF8(temp.Path()));
    for (const CDir& holder : {dir, dir.GetDir("packed", kContainerZip)})
    {
        const wxString name = holder.GetData()->IsNative() ? "native.txt" : "packed.txt";
        SCOPED_TRACE(name);
        EXPECT_EQ(All(holder.OpenFile(name)), text);
        CFile file = holder.OpenFile(name);
        EXPECT_EQ(file.ReadLine(), "line");
        EXPECT_EQ(All(file), "line\nrest");
    }
}

TEST(File, ReadAllRefusesFilesAboveTwoGigabytes)
{
    orvtest::TempDir temp;
    orvtest::LogCapture log;
    std::filesystem::path huge = temp.Sub("huge.bin");
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, 2147483648ull);  // sparse: takes no space
    const CDir dir(wxString::FromUTF8(temp.Path()));
    EXPECT_EQ(All(dir.OpenFile("huge.bin")), "<failed>");
    EXPECT_TRUE(log.Contains("File " + huge.string() + " to huge", wxLOG_Error)) << log.Dump();
}

TEST(File, WritesReachTheDiskOnClose)
{
    orvtest::TempDir temp;
    const CDir dir(wxString::FromUTF8(temp.Path()));
    CFile out = dir.CreateFile("new.bin");
    ASSERT_TRUE(out.IsOk());
    EXPECT_TRUE(out.WriteAll("abc", 3));
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(temp.Read("new.bin"), "abc");
    EXPECT_FALSE(dir.OpenFile("new.bin").WriteAll("x", 1));  // opened for reading
    wxMemoryBuffer bytes;
    EXPECT_FALSE(CFile().ReadAll(bytes));
}
