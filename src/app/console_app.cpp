#include "app/console_app.h"

#include <cstdio>

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/stdpaths.h>

#include "app/thread_logger.h"
#include "platform/file_association.h"
#include "storage/compile.h"
#include "storage/user_report.h"

namespace
{
void Print(FILE* stream, const wxString& text)
{
    const wxScopedCharBuffer bytes = text.utf8_str();
    std::fwrite(bytes.data(), 1, bytes.length(), stream);
    std::fflush(stream);
}

// --compile: packs the project directory; the outcome line follows the log lines that give the reason.
int CompileProject(const wxString& directory)
{
    const UserReportFunction previous =
        SetUserReport([](ReportKind, const wxString& text) { Print(stderr, text + "\n"); });
    wxFileName project = wxFileName::DirName(directory);
    project.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_TILDE | wxPATH_NORM_ABSOLUTE);
    const bool compiled = CCompile(CDir(project.GetPath())).Compile();
    SetUserReport(previous);
    return compiled ? kExitSuccess : kExitCompileFailed;
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
        case CCommandLine::Outcome::Compile:
            return CompileProject(commandLine.actionArgument);
        case CCommandLine::Outcome::Malformed:
        case CCommandLine::Outcome::MissingSource:
        case CCommandLine::Outcome::Run:
            break;
    }
    return kExitStartupFailed;
}
