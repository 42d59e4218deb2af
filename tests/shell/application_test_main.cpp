// The application tests run with the game's own application object.
#include <gtest/gtest.h>

#include <wx/init.h>

#include "shell/application.h"
#include "tests/support/gui_test_support.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    InstallQuietToolkitHandlers();
    wxApp::SetInstance(new CTamberApplication);
    if (!wxEntryStart(argc, argv))
        return 2;
    InstallQuietToolkitHandlers();
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
