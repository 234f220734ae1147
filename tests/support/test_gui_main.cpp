// Entry point of the GUI test programs: a real application object with a display (run them under xvfb-run -a).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>

namespace
{
class CTestApp : public wxApp
{
public:
    bool OnInit() override
    {
        wxInitAllImageHandlers();
        return true;
    }
};
}  // namespace


int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new CTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
    {
        fprintf(stderr, "cannot start the toolkit (is there a display? run under xvfb-run -a)\n");
        return 1;
    }
    int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
