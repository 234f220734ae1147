// Entry point of the console test programs: the toolkit's base library is initialised (no display needed).
#include <gtest/gtest.h>
#include <wx/init.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxInitializer initializer;
    if (!initializer.IsOk())
    {
        fprintf(stderr, "cannot initialise the toolkit\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
