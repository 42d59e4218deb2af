// Entry of the display tests: a toolkit application without a main loop.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include "tests/support/gui_test_support.h"

// A test program that needs another application object defines its own.
__attribute__((weak)) wxApp* CreateTestApplication()
{
    return new wxApp;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    InstallQuietToolkitHandlers();
    wxApp::SetInstance(CreateTestApplication());
    if (!wxEntryStart(argc, argv))
        return 2;
    InstallQuietToolkitHandlers();
    wxImage::AddHandler(new wxPNGHandler); // as the game does at start-up
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
