#include "app/console_app.h"

#include <cstdio>

#include <wx/init.h>
#include <wx/stdpaths.h>

#include "app/thread_logger.h"
#include "platform/file_association.h"

namespace
{
void Print(FILE* stream, const wxString& text)
{
    const wxScopedCharBuffer bytes = text.utf8_str();
    std::fwrite(bytes.data(), 1, bytes.length(), stream);
    std::fflush(stream);
}
}  // namespace

int RunWithoutWindow(int& argc, char** argv, const CCommandLine& commandLine)
{
    wxApp::SetInstance(new CConsoleApp);
    wxInitializer initializer(argc, argv);
    if (!initializer.IsOk())
    {
        std::fputs("varnekorvpanel: the toolkit can not be initialised\n", stderr);
        return kExitStartupFailed;
    }
    wxAppConsole* app = wxAppConsole::GetInstance();
    app->SetVendorName("VARNEK");
    app->SetAppName("VARNEK Orvanta Panel");
    CThreadLogger::SetVerbosity(commandLine.verbosity);
    delete wxLog::SetActiveTarget(new CThreadLogger(stderr, stderr, wxString()));
    for (const wxString& error : commandLine.errors)
        wxLogError("%s", error);
    const int status = RunEndingAction(commandLine);
    delete wxLog::SetActiveTarget(nullptr);
    return status;
}

int RunEndingAction(const CCommandLine& commandLine)
{
    Print(stdout, commandLine.standardOutput);
    Print(stderr, commandLine.standardError);
    switch (commandLine.outcome)
    {
        case CCommandLine::Outcome::PrintVersion:
            return kExitSuccess;
        case CCommandLine::Outcome::RegisterFileType:
            return RegisterFileType(wxStandardPaths::Get().GetExecutablePath()) ? kExitSuccess : kExitStartupFailed;
        case CCommandLine::Outcome::UnregisterFileType:
            return UnregisterFileType() ? kExitSuccess : kExitStartupFailed;
        case CCommandLine::Outcome::Malformed:
        case CCommandLine::Outcome::MissingSource:
        case CCommandLine::Outcome::Run:
            break;
    }
    return kExitStartupFailed;
}
