// Entry point of varnekorvpanel. The command line is handled first, before the GUI toolkit starts: a line that
// ends without a window runs under a console application object and needs no display; everything else starts
// the windowed application.
#include <clocale>
#include <vector>

#include <wx/app.h>
#include <wx/strconv.h>

#include "app/app.h"
#include "app/command_line.h"
#include "app/console_app.h"
#include "app/module_dir_root_loader.h"

int main(int argc, char** argv)
{
    UseRootLoaderModule();
    // The arguments are converted with the user's character set, as the toolkit itself would.
    std::setlocale(LC_CTYPE, "");
    std::vector<wxString> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(wxString(argv[i], wxConvWhateverWorks));
    const CCommandLine commandLine = HandleCommandLine(arguments);
    // A missing source is reported by the windowed start-up, in a message box like its other start-up errors.
    if (commandLine.EndsWithoutWindow() && commandLine.outcome != CCommandLine::Outcome::MissingSource)
        return RunWithoutWindow(argc, argv, commandLine);
    wxApp::SetInstance(new CApp(commandLine));
    return wxEntry(argc, argv);
}
