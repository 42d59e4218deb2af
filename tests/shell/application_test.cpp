#include <gtest/gtest.h>

#include <sys/stat.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/wfstream.h>

#include "shell/application.h"
#include "shell/settings.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/gui_test_support.h"

// The application tests run with the game's own application object.
wxApp* CreateTestApplication()
{
    return new CTamberApplication;
}

namespace {

CTamberApplication& App()
{
    return *static_cast<CTamberApplication*>(wxTheApp);
}

// Answers the terms dialog, if one comes up, by pressing the button with this id.
struct TermsAnswer
{
    int seen = 0;

    void Press(int id)
    {
        wxTheApp->CallAfter([this, id] {
            for (wxWindow* window : wxTopLevelWindows) {
                auto* dialog = dynamic_cast<wxDialog*>(window);
                if (!dialog || dialog->GetTitle() != "License Agreement" || !dialog->IsModal())
                    continue;
                ++seen;
                wxCommandEvent click(wxEVT_BUTTON, id);
                click.SetEventObject(dialog->FindWindow(id));
                dialog->FindWindow(id)->ProcessWindowEvent(click);
            }
        });
    }
};

long StoredEula(const std::string& file)
{
    wxFileInputStream in(file);
    if (!in.IsOk())
        return -1;
    wxFileConfig reader(in);
    return reader.ReadLong("/Registration/EulaVersion", -2);
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

TEST(Application, AcceptingStoresTheVersionBeforeTheStartEvent)
{
    ConfigSandbox sandbox;
    TermsAnswer answer;
    answer.Press(wxID_OK);
    ASSERT_TRUE(App().OnInit());
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(g_settings.eulaVersion, 1);
    // On disk already, while the start event still waits in the queue.
    EXPECT_EQ(StoredEula(sandbox.File()), 1);
    EXPECT_TRUE(App().HasPendingEvents());
    WhenModalDialogShows([](wxDialog& titleMenu) { titleMenu.EndModal(wxID_EXIT); }, 30000);
    App().ProcessPendingEvents(); // runs the game routine once, to the title menu
    EXPECT_FALSE(App().HasPendingEvents());

    // The next start asks nothing.
    ConfigSandbox::Reset();
    TermsAnswer none;
    none.Press(wxID_CANCEL);
    ASSERT_TRUE(App().OnInit());
    App().DeletePendingEvents();
    PumpEvents(50);
    EXPECT_EQ(none.seen, 0);
}

TEST(Application, DecliningWritesNothingAndEndsStartUp)
{
    ConfigSandbox sandbox;
    TermsAnswer answer;
    answer.Press(wxID_CANCEL);
    EXPECT_FALSE(App().OnInit());
    EXPECT_EQ(answer.seen, 1);
    EXPECT_FALSE(App().HasPendingEvents());
    EXPECT_FALSE(Exists(sandbox.File()));
    EXPECT_FALSE(Exists(sandbox.Dir()));
}

TEST(Application, StoredAcceptanceOfAnyLaterVersionSkipsTheDialog)
{
    ConfigSandbox sandbox;
    WriteConfigInt("/Registration/EulaVersion", 3);
    ConfigSandbox::Reset();
    TermsAnswer answer;
    answer.Press(wxID_CANCEL);
    ASSERT_TRUE(App().OnInit());
    App().DeletePendingEvents();
    PumpEvents(50);
    EXPECT_EQ(answer.seen, 0);
    EXPECT_EQ(StoredEula(sandbox.File()), 3);
}
