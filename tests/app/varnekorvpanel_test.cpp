// The program from the outside: the runs that end without a window need no display, and a normal start ends
// honestly while the panel window is not part of the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace
{
const orvtest::EnvChanges kNoDisplay = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};

orvtest::ProcessResult RunPanel(std::vector<std::string> arguments, orvtest::EnvChanges env = kNoDisplay)
{
    arguments.insert(arguments.begin(), VARNEKORVPANEL_PATH);
    return orvtest::RunProcess(arguments, env);
}
}  // namespace

TEST(Varnekorvpanel, VersionPrintsTheNumberWithoutADisplay)
{
    for (const auto& arguments : {std::vector<std::string>{"-V"}, {"--version", "some/project"}})
    {
        SCOPED_TRACE(arguments.front());
        const orvtest::ProcessResult result = RunPanel(arguments);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "1.2.1\n");
        EXPECT_EQ(result.err, "");
    }
}

TEST(Varnekorvpanel, AMalformedLinePrintsTheErrorAndTheUsageWithoutADisplay)
{
    const orvtest::ProcessResult result = RunPanel({"--no-such-switch", "project"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.find("Unknown long option 'no-such-switch'"), 0u) << result.err;
    EXPECT_NE(result.err.find("Usage: varnekorvpanel"), std::string::npos) << result.err;
}

TEST(Varnekorvpanel, RegistrationRunsWithoutADisplayAndNamesThisProgram)
{
    orvtest::TempDir dir;
    orvtest::EnvChanges env = kNoDisplay;
    env.push_back({"XDG_DATA_HOME", dir.Sub("data")});
    env.push_back({"XDG_CONFIG_HOME", dir.Sub("config")});
    const orvtest::ProcessResult registered = RunPanel({"--register-file-extension", "-V"}, env);
    EXPECT_EQ(registered.status, 0) << registered.err;
    EXPECT_EQ(registered.out, "");
    EXPECT_NE(dir.Read("data/applications/varnekorvpanel.desktop")
                  .find(std::string("Exec=\"") + VARNEKORVPANEL_PATH + "\" %f\n"),
              std::string::npos);
    const orvtest::ProcessResult unregistered = RunPanel({"--unregister-file-extension"}, env);
    EXPECT_EQ(unregistered.status, 0) << unregistered.err;
    EXPECT_FALSE(dir.Exists("data/applications/varnekorvpanel.desktop"));
}

TEST(Varnekorvpanel, CompileWritesThePackageWithoutADisplay)
{
    orvtest::TempDir dir;
    dir.Write("Studio/index.xml", "<application/>");
    dir.Write("Studio/img/a.png", "png");
    orvtest::EnvChanges env = kNoDisplay;
    env.push_back({"HOME", dir.Sub("home")});
    const orvtest::ProcessResult compiled = RunPanel({"--compile", dir.Sub("Studio/")}, env);
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out, "");
    EXPECT_EQ(compiled.err, "Project successfully compiled\n");
    EXPECT_EQ(dir.Read("Studio.darevirudu").substr(0, 8), "\x01vksVKMC");

    const orvtest::ProcessResult failed = RunPanel({"--compile=" + dir.Sub("Missing")}, env);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Error: Bad path '" + dir.Path() + "/Missing'"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("Failed to compile Project\n"), std::string::npos) << failed.err;
}

TEST(Varnekorvpanel, ANormalStartEndsSayingThePanelWindowIsMissing)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "needs a display (run under xvfb-run -a)";
    orvtest::TempDir dir;
    const std::string log = dir.Sub("panel.log");
    const orvtest::ProcessResult result = RunPanel({"--logfile=" + log, dir.Path()}, {});
    const std::string message =
        "Error: The panel window is not available in this build; '" + dir.Path() + "' can not be opened\r\n";
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_NE(dir.Read("panel.log").find(message), std::string::npos);
}
