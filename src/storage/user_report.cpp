#include "storage/user_report.h"

#include <wx/log.h>

namespace
{
UserReportFunction& Installed()
{
    static UserReportFunction report;
    return report;
}
}  // namespace

UserReportFunction SetUserReport(UserReportFunction report)
{
    UserReportFunction previous = std::move(Installed());
    Installed() = std::move(report);
    return previous;
}

void ReportToUser(ReportKind kind, const wxString& text)
{
    if (Installed())
        Installed()(kind, text);
    else if (kind == ReportKind::Error)
        wxLogError("%s", text);
    else
        wxLogMessage("%s", text);
}
