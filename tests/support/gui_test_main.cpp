// Entry of the display tests: a plain toolkit application, no main loop.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

#include "tests/support/gui_test_support.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    InstallQuietToolkitHandlers();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
        return 2;
    InstallQuietToolkitHandlers();
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
