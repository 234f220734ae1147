#include "platform/file_association_text.h"

#include <gtest/gtest.h>

namespace
{
const char kType[] = "application/x-darevirudu";
const char kOurs[] = "varnekorvpanel.desktop";
}  // namespace

TEST(DesktopExecQuoting, QuotesAndEscapesEveryReservedCharacter)
{
    const struct
    {
        const char* path;
        const char* exec;  // nullptr: refused
    } cases[] = {
        {"/opt/varnek/varnekorvpanel", R"("/opt/varnek/varnekorvpanel")"},
        {"/opt/my apps/varnekorvpanel", R"("/opt/my apps/varnekorvpanel")"},
        {"/home/$USER/panel", R"("/home/\\$USER/panel")"},
        {"/a/say \"hi\"/panel", R"("/a/say \\"hi\\"/panel")"},
        {"/a/back\\slash/panel", R"("/a/back\\\\slash/panel")"},
        {"/a/`tick`/panel", R"("/a/\\`tick\\`/panel")"},
        {"/a/100%/panel", R"("/a/100%%/panel")"},
        {"/a/Gr\xC3\xB6\xC3\x9F"
         "e/panel",
         "\"/a/Gr\xC3\xB6\xC3\x9F"
         "e/panel\""},
        {"relative/panel", nullptr},
        {"", nullptr},
        {"/a/new\nline", nullptr},
        {"/a/tab\there", nullptr},
    };
    for (const auto& row : cases)
    {
        SCOPED_TRACE(row.path);
        std::string exec = "untouched";
        EXPECT_EQ(QuoteDesktopExecArgument(row.path, exec), row.exec != nullptr);
        EXPECT_EQ(exec, row.exec ? row.exec : "untouched");
    }
}

TEST(MimeAppsList, SettingTheDefaultKeepsEveryOtherLine)
{
    const struct
    {
        const char* before;
        const char* after;
    } cases[] = {
        {"", "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\n"},
        {"[Added Associations]\ntext/plain=gedit.desktop;\n",
         "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
         "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\n"},
        {"# mine\n[Default Applications]\ntext/html=firefox.desktop\n\n[Other]\nx=y\n",
         "# mine\n[Default Applications]\ntext/html=firefox.desktop\n"
         "application/x-darevirudu=varnekorvpanel.desktop\n\n[Other]\nx=y\n"},
        {"[Default Applications]\napplication/x-darevirudu=other.desktop\ntext/html=firefox.desktop\n",
         "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\ntext/html=firefox.desktop\n"},
        {"[Default Applications]\napplication/x-darevirudu = a.desktop\napplication/x-darevirudu=b.desktop\n",
         "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\n"},
        {"[Default Applications]\ntext/html=firefox.desktop",
         "[Default Applications]\ntext/html=firefox.desktop\napplication/x-darevirudu=varnekorvpanel.desktop\n"},
        {"[Added Associations]\napplication/x-darevirudu=a.desktop;\n[Default Applications]\n",
         "[Added Associations]\napplication/x-darevirudu=a.desktop;\n"
         "[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop\n"},
    };
    for (const auto& row : cases)
    {
        SCOPED_TRACE(row.before);
        const std::string once = SetDefaultApplication(row.before, kType, kOurs);
        EXPECT_EQ(once, row.after);
        EXPECT_EQ(SetDefaultApplication(once, kType, kOurs), once);
    }
}

TEST(MimeAppsList, RemovingTakesOnlyOurEntry)
{
    const struct
    {
        const char* before;
        const char* after;
    } cases[] = {
        {"[Default Applications]\ntext/html=firefox.desktop\napplication/x-darevirudu=varnekorvpanel.desktop\n",
         "[Default Applications]\ntext/html=firefox.desktop\n"},
        {"[Default Applications]\napplication/x-darevirudu=varnekorvpanel.desktop;other.desktop;\n",
         "[Default Applications]\napplication/x-darevirudu=other.desktop;\n"},
        // Not ours, or nowhere: the text comes back byte for byte.
        {"[Default Applications]\napplication/x-darevirudu=other.desktop", nullptr},
        {"[Added Associations]\napplication/x-darevirudu=varnekorvpanel.desktop;\n", nullptr},
        {"", nullptr},
    };
    for (const auto& row : cases)
    {
        SCOPED_TRACE(row.before);
        EXPECT_EQ(RemoveDefaultApplication(row.before, kType, kOurs), row.after ? row.after : row.before);
    }
}
