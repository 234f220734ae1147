#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "theme/style_registry.h"
#include "theme/theme_fixture.h"

using themetest::RootsForTest;
using themetest::ThemeFiles;

namespace
{
// Places where a theme may lie: user/ (USERTHEME), themes/ (THEME), container/project/ (the project directory)
// and container/ (the directory around it). Each theme directory holds an index.xml naming where it lies.
struct ChoiceCase
{
    const char* name;
    const char* style;              // the application's style attribute; nullptr when absent
    std::vector<std::string> dirs;  // theme directories that exist
    bool userRoot;                  // USERTHEME is bound (to user/)
    bool themeRoot;                 // THEME is bound (to themes/)
    const char* chosen;             // directory expected, "" for none
    const char* message;            // error expected, "" for none
};

const ChoiceCase kCases[] = {
    {"UserThemeFirst", "x", {"user/x", "themes/x", "container/project/x", "container/x"}, true, true, "user/x", ""},
    {"UserRootUnbound", "x", {"themes/x", "container/x"}, false, true, "themes/x", ""},
    {"UserRootMissingOnDisk", "x", {"themes/x"}, true, true, "themes/x", ""},
    {"ProjectDirectory", "x", {"container/project/x", "container/x"}, true, true, "container/project/x", ""},
    {"BesideTheProject", "x", {"container/x", "themes/varnek"}, true, true, "container/x", ""},
    {"DefaultWithError",
     "x",
     {"themes/varnek"},
     true,
     true,
     "themes/varnek",
     "Style \"x\" not found, use default \"varnek\" theme!"},
    {"NothingAtAll", "x", {}, true, true, "", ""},
    {"ThemeRootInvalidStopsTheSearch", "x", {"container/project/x"}, true, false, "", ""},
    {"UserThemeEvenWithoutThemeRoot", "x", {"user/x"}, true, false, "user/x", ""},
    {"AbsentStyleIsVarnek", nullptr, {"themes/varnek"}, true, true, "themes/varnek", ""},
    {"AbsentStyleUsersVarnek", nullptr, {"user/varnek", "themes/varnek"}, true, true, "user/varnek", ""},
    {"AbsentStyleWithoutVarnek", nullptr, {"container/project/x"}, true, true, "", ""},
    // an empty name would stand for the directory of themes itself
    {"EmptyStyleIsTheDefault",
     "",
     {"themes/varnek"},
     true,
     true,
     "themes/varnek",
     "Style \"\" not found, use default \"varnek\" theme!"},
};

class ThemeChoice : public testing::TestWithParam<ChoiceCase>
{
protected:
    void SetUp() override
    {
        m_files.Write("themes/.keep", "");
        m_files.Write("container/project/index.xml", "<application/>");
        for (const std::string& dir : GetParam().dirs)
            m_files.Xml(dir + "/index.xml", "<style><panel at=\"" + dir + "\"/></style>");
    }

    std::vector<std::pair<std::string, std::string>> Roots() const
    {
        std::vector<std::pair<std::string, std::string>> roots;
        if (GetParam().userRoot)
            roots.emplace_back("USERTHEME", m_files.Sub("user"));
        if (GetParam().themeRoot)
            roots.emplace_back("THEME", m_files.Sub("themes"));
        return roots;
    }

    std::string Application() const
    {
        return GetParam().style ? std::string("<application style=\"") + GetParam().style + "\"/>" : "<application/>";
    }

    ThemeFiles m_files;
};

TEST_P(ThemeChoice, TakesTheFirstThatExists)
{
    const RootsForTest roots(Roots());
    orvtest::LogCapture log;
    // the project directory as a sub-directory node, and as a directory of its own
    for (const CDir& project :
         {m_files.Dir("container").GetDir("project"), CDir(wxString::FromUTF8(m_files.Sub("container/project")))})
    {
        log.Clear();
        CStyleRegistry registry;
        const bool loaded = registry.LoadProjectTheme(themetest::ParseElement(Application()).get(), project);
        const std::string chosen = GetParam().chosen;
        ASSERT_EQ(loaded, !chosen.empty()) << log.Dump();
        if (loaded)
        {
            const wxXmlNode* panel = registry.GetStyle("panel");
            ASSERT_NE(panel, nullptr) << log.Dump();
            EXPECT_EQ(panel->GetAttribute("at"), chosen);
        }
        std::vector<std::string> expected;
        if (*GetParam().message)
            expected.push_back(GetParam().message);
        EXPECT_EQ(log.Texts(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ThemeChoice, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });
}  // namespace
