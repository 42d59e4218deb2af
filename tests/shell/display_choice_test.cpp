#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/filefn.h>
#include <wx/fileconf.h>
#include <wx/gdicmn.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/wfstream.h>

#include "shell/display_dialog.h"
#include "shell/display_mode.h"
#include "shell/settings.h"
#include "tests/shell/fake_displays.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

const DisplayRect kScreen{0, 0, 1280, 720};
const VideoMode kDesktop{1280, 720, 32, 60};

CDisplayDialog* OpenDialog()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<CDisplayDialog*>(window);
        if (dialog && dialog->IsModal())
            return dialog;
    }
    return nullptr;
}

// Answers the display dialog, if one comes up: picks a row, or cancels (-1).
struct DialogAnswer
{
    int seen = 0;
    std::vector<std::string> rows;

    void Pick(int row)
    {
        wxTheApp->CallAfter([this, row] {
            CDisplayDialog* dialog = OpenDialog();
            if (!dialog)
                return;
            ++seen;
            for (const wxString& text : dialog->list->GetStrings())
                rows.push_back(text.ToStdString());
            if (row < 0) {
                ClickButton(*dialog, wxID_CANCEL);
                return;
            }
            dialog->list->SetSelection(row);
            ClickButton(*dialog, wxID_OK);
        });
    }
};

long StoredValue(const std::string& file, const char* key)
{
    if (!wxFileExists(file))
        return -12345;
    wxFileInputStream in(file);
    if (!in.IsOk())
        return -12345;
    wxFileConfig reader(in);
    return reader.ReadLong(key, -12345);
}

struct ChoiceTest : testing::Test
{
    ConfigSandbox sandbox;
    DialogAnswer answer;

    ChoiceTest()
    {
        UseFakeDisplays(kScreen, kDesktop);
        LoadSettings();
        g_displayChosen = false;
        g_displayIndex = -7;
    }

    ~ChoiceTest() override
    {
        PumpEvents(20); // answers no dialog took
        UseRealDisplays();
    }

    void Store(int index, DisplayRect rect, VideoMode mode)
    {
        GameSettings& s = g_settings;
        s.displayIndex = index;
        s.displayLeft = rect.x;
        s.displayTop = rect.y;
        s.displayWidth = rect.width;
        s.displayHeight = rect.height;
        s.gameWidth = mode.width;
        s.gameHeight = mode.height;
        s.depth = mode.depth;
    }

    void ExpectChoice(int index, VideoMode mode)
    {
        EXPECT_TRUE(g_displayChosen);
        EXPECT_EQ(g_displayIndex, index);
        EXPECT_EQ(g_gameMode.width, mode.width);
        EXPECT_EQ(g_gameMode.height, mode.height);
        EXPECT_EQ(g_gameMode.depth, mode.depth);
        EXPECT_EQ(g_gameMode.refresh, 0);
    }
};

} // namespace

TEST_F(ChoiceTest, AStoredChoiceThatStillFitsIsUsedWithoutAsking)
{
    AddFakeMode(0, VideoMode{1024, 768, 32, 60});
    Store(0, kScreen, VideoMode{1024, 768, 32, 0});
    answer.Pick(-1);
    ASSERT_TRUE(ChooseDisplayMode());
    PumpEvents(20);
    EXPECT_EQ(answer.seen, 0);
    ExpectChoice(0, VideoMode{1024, 768, 32, 0});
}

TEST_F(ChoiceTest, WithoutAStoredChoiceOneDisplayPlaysInItsCurrentMode)
{
    for (int index : {-1, 1, 5}) {
        Store(index, kScreen, VideoMode{1024, 768, 32, 0});
        ASSERT_TRUE(ChooseDisplayMode());
        ExpectChoice(0, kDesktop);
    }
    // A display that moved or changed size no longer holds the choice.
    Store(0, DisplayRect{0, 0, 1024, 768}, VideoMode{1024, 768, 32, 0});
    ASSERT_TRUE(ChooseDisplayMode());
    ExpectChoice(0, kDesktop);
    // Nothing is stored on these paths.
    EXPECT_EQ(StoredValue(sandbox.File(), "/Display/Index"), -12345);
}

TEST_F(ChoiceTest, SeveralDisplaysWithoutAValidChoiceAsk)
{
    AddFakeDisplay(DisplayRect{1280, 0, 800, 600}, VideoMode{800, 600, 32, 60});
    answer.Pick(-1);
    g_gameMode = VideoMode{1, 2, 3, 4};
    EXPECT_FALSE(ChooseDisplayMode());
    EXPECT_EQ(answer.seen, 1);
    // Cancelled: nothing chosen, nothing stored.
    EXPECT_FALSE(g_displayChosen);
    EXPECT_EQ(g_gameMode.width, 1);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Display/Index"), -12345);
}

TEST_F(ChoiceTest, ModesBelowTheMinimumAsk)
{
    // The single display's own mode is too small.
    g_fake.displays[0].current = VideoMode{600, 480, 32, 60};
    answer.Pick(-1);
    EXPECT_FALSE(ChooseDisplayMode());
    EXPECT_EQ(answer.seen, 1);

    // So is a stored mode of width 0, or one with 8 bits per pixel.
    g_fake.displays[0].current = kDesktop;
    for (VideoMode stored : {VideoMode{0, 720, 32, 0}, VideoMode{1280, 720, 8, 0}}) {
        Store(0, kScreen, stored);
        AddFakeMode(0, stored);
        DialogAnswer again;
        again.Pick(-1);
        EXPECT_FALSE(ChooseDisplayMode());
        EXPECT_EQ(again.seen, 1);
    }
}

TEST_F(ChoiceTest, AStoredModeTheDisplayNoLongerOffersAsks)
{
    Store(0, kScreen, VideoMode{1600, 1200, 32, 0});
    answer.Pick(-1);
    EXPECT_FALSE(ChooseDisplayMode());
    EXPECT_EQ(answer.seen, 1);
}

TEST_F(ChoiceTest, HoldingCtrlAlwaysAsks)
{
    Store(0, kScreen, VideoMode{1280, 720, 32, 0});
    ASSERT_EQ(std::system("xdotool keydown ctrl"), 0);
    answer.Pick(-1);
    bool chosen = ChooseDisplayMode();
    ASSERT_EQ(std::system("xdotool keyup ctrl"), 0);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(answer.seen, 1);
}

TEST_F(ChoiceTest, ConfirmingStoresAllEightKeysAndFlushes)
{
    g_fake.displays[0].rect = DisplayRect{0, 0, 1280, 720};
    AddFakeMode(0, VideoMode{800, 600, 16, 60});
    AddFakeMode(0, VideoMode{1024, 768, 32, 75});
    g_fake.displays[0].current = VideoMode{640, 400, 32, 60}; // too small: ask
    answer.Pick(0);
    ASSERT_TRUE(ChooseDisplayMode());
    ASSERT_EQ(answer.seen, 1);
    EXPECT_EQ(answer.rows, (std::vector<std::string>{"1024 by 768 pixels. 32 bits per pixel.",
                                                     "1280 by 720 pixels. 32 bits per pixel.",
                                                     "800 by 600 pixels. 16 bits per pixel."}));
    ExpectChoice(0, VideoMode{1024, 768, 32, 0});
    const std::string file = sandbox.File();
    EXPECT_EQ(StoredValue(file, "/Display/Index"), 0);
    EXPECT_EQ(StoredValue(file, "/Display/Top"), 0);
    EXPECT_EQ(StoredValue(file, "/Display/Left"), 0);
    EXPECT_EQ(StoredValue(file, "/Display/Width"), 1280);
    EXPECT_EQ(StoredValue(file, "/Display/Height"), 720);
    EXPECT_EQ(StoredValue(file, "/Display/GameWidth"), 1024);
    EXPECT_EQ(StoredValue(file, "/Display/GameHeight"), 768);
    EXPECT_EQ(StoredValue(file, "/Display/Depth"), 32);
    EXPECT_EQ(g_settings.gameWidth, 1024);
    EXPECT_EQ(g_settings.displayWidth, 1280);

    // The next start takes the stored choice.
    ConfigSandbox::Reset();
    LoadSettings();
    DialogAnswer next;
    next.Pick(-1);
    ASSERT_TRUE(ChooseDisplayMode());
    EXPECT_EQ(next.seen, 0);
    ExpectChoice(0, VideoMode{1024, 768, 32, 0});
}

namespace {

struct DialogTest : testing::Test
{
    DialogTest()
    {
        // Two displays side by side on the test screen.
        UseFakeDisplays(DisplayRect{0, 0, 800, 720}, VideoMode{800, 720, 32, 60});
        AddFakeMode(0, VideoMode{640, 480, 32, 60});
        AddFakeDisplay(DisplayRect{800, 0, 480, 720}, VideoMode{480, 720, 32, 60});
        AddFakeMode(1, VideoMode{1024, 768, 24, 60});
    }
    ~DialogTest() override { UseRealDisplays(); }
};

std::vector<std::string> Rows(CDisplayDialog& dialog)
{
    std::vector<std::string> rows;
    for (const wxString& text : dialog.list->GetStrings())
        rows.push_back(text.ToStdString());
    return rows;
}

bool HasText(wxWindow* parent, const wxString& text)
{
    for (wxWindow* child : parent->GetChildren()) {
        auto* label = dynamic_cast<wxStaticText*>(child);
        if (label && label->GetLabel() == text)
            return true;
    }
    return false;
}

// As the player chooses: a key moves in the list and the row is selected.
void Select(CDisplayDialog& dialog, int row)
{
    SendKey(dialog.list, wxEVT_KEY_DOWN, WXK_DOWN);
    dialog.list->SetSelection(row);
    wxCommandEvent select(wxEVT_LISTBOX, dialog.list->GetId());
    select.SetEventObject(dialog.list);
    select.SetInt(row);
    dialog.list->ProcessWindowEvent(select);
}

} // namespace

TEST_F(DialogTest, ListsTheModesOfTheDisplayItLiesOnWithOkOffUntilARowIsChosen)
{
    CDisplayDialog dialog;
    dialog.Move(100, 100);
    dialog.RefreshModeList();
    EXPECT_EQ(dialog.GetTitle(), "Display Settings");
    EXPECT_TRUE(HasText(&dialog, "Please drag this window to the display and choose \nthe display "
                                 "settings you would like to use to play \nSkylume."));
    EXPECT_TRUE(HasText(&dialog, "Hold down the Ctrl key to see this dialog in the future."));
    EXPECT_EQ(dialog.listedDisplay, 0);
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{"640 by 480 pixels. 32 bits per pixel.",
                                                      "800 by 720 pixels. 32 bits per pixel."}));
    EXPECT_FALSE(dialog.okButton->IsEnabled());
    Select(dialog, 1);
    EXPECT_TRUE(dialog.okButton->IsEnabled());

    // Within the same display the list and the selection stay.
    dialog.Move(20, 30);
    PumpEvents(50);
    dialog.RefreshModeList();
    EXPECT_EQ(dialog.list->GetSelection(), 1);
    EXPECT_TRUE(dialog.okButton->IsEnabled());

    // On the other display: its modes, no selection, OK off.
    dialog.Move(850, 100);
    PumpEvents(50);
    EXPECT_EQ(dialog.listedDisplay, 1);
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{"1024 by 768 pixels. 24 bits per pixel."}));
    EXPECT_EQ(dialog.list->GetSelection(), wxNOT_FOUND);
    EXPECT_FALSE(dialog.okButton->IsEnabled());
}

TEST_F(DialogTest, OneDisplayGetsTheShorterText)
{
    g_fake.count = 1;
    CDisplayDialog dialog;
    EXPECT_TRUE(HasText(&dialog,
                        "Please choose the display settings you would like to \nuse to play Skylume."));
}

TEST_F(DialogTest, OnNoDisplayTheListIsEmpty)
{
    g_fake.displays[0].rect = DisplayRect{5000, 5000, 640, 480};
    g_fake.displays[1].rect = DisplayRect{6000, 5000, 640, 480};
    CDisplayDialog dialog;
    EXPECT_EQ(dialog.listedDisplay, -1);
    EXPECT_TRUE(Rows(dialog).empty());
    EXPECT_FALSE(dialog.okButton->IsEnabled());
}

TEST_F(DialogTest, OkNeedsAValidRowAndThenGivesTheModeWithoutRefreshRate)
{
    CDisplayDialog dialog;
    dialog.Move(100, 100);
    dialog.RefreshModeList();
    int result = ShowModalAndDo(dialog, [](wxDialog& shown) {
        auto& d = static_cast<CDisplayDialog&>(shown);
        ClickButton(d, wxID_OK); // no selection: nothing happens
        if (!d.IsModal())
            return;
        d.list->SetSelection(0);
        wxCommandEvent twice(wxEVT_LISTBOX_DCLICK, d.list->GetId());
        twice.SetEventObject(d.list);
        d.list->ProcessWindowEvent(twice);
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.chosenMode.width, 640);
    EXPECT_EQ(dialog.chosenMode.height, 480);
    EXPECT_EQ(dialog.chosenMode.depth, 32);
    EXPECT_EQ(dialog.chosenMode.refresh, 0);
}

TEST_F(DialogTest, CancelAndEscapeEndWithCancel)
{
    CDisplayDialog dialog;
    int result = ShowModalAndDo(dialog, [](wxDialog& shown) { ClickButton(shown, wxID_CANCEL); });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_EQ(dialog.chosenMode.width, 0);
    CDisplayDialog again;
    EXPECT_EQ(ShowModalAndDo(again, PressEscape), wxID_CANCEL);
}

TEST(RealDisplay, TheTestScreenListsItsOneModeAt32Bits)
{
    CDisplayDialog dialog;
    EXPECT_EQ(dialog.listedDisplay, 0);
    // The toolkit's own reading of the screen, whatever size the X server has.
    wxSize screen = wxGetDisplaySize();
    std::string row = std::to_string(screen.x) + " by " + std::to_string(screen.y) + " pixels. 32 bits per pixel.";
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{row}));
}

// GTK selects the first row as soon as the list takes the focus: the dialog
// must still wait for the player's choice, and Enter alone chooses nothing.
TEST_F(DialogTest, OpensWithNoRowChosenAndOkWaitsForThePlayer)
{
    CDisplayDialog dialog;
    std::vector<VideoMode> listed;
    int chosen = wxNOT_FOUND;
    int result = ShowModalAndDo(dialog, [&](wxDialog& shown) {
        auto& d = static_cast<CDisplayDialog&>(shown);
        listed = d.modes;
        // Without a window manager the keyboard follows the pointer.
        wxPoint text = d.GetScreenPosition() + wxPoint(80, 20);
        EXPECT_EQ(std::system(wxString::Format("xdotool mousemove %d %d", text.x, text.y).c_str()),
                  0);
        EXPECT_TRUE(PumpUntil([&d] { return wxWindow::FindFocus() == d.list; }));
        PumpEvents(200);
        EXPECT_EQ(d.list->GetSelection(), wxNOT_FOUND);
        EXPECT_FALSE(d.okButton->IsEnabled());
        PressKeys("Return");
        PumpEvents(300);
        ASSERT_TRUE(d.IsModal()) << "Enter chose a mode nobody picked";
        EXPECT_EQ(d.list->GetSelection(), wxNOT_FOUND);
        PressKeys("Down");
        EXPECT_TRUE(PumpUntil([&d] { return d.list->GetSelection() != wxNOT_FOUND; }));
        EXPECT_TRUE(d.okButton->IsEnabled());
        chosen = d.list->GetSelection();
        PressKeys("Return");
        if (!PumpUntil([&d] { return !d.IsModal(); }))
            d.EndModal(-1);
    });
    EXPECT_EQ(result, wxID_OK);
    ASSERT_GE(chosen, 0);
    EXPECT_EQ(dialog.chosenMode.width, listed[chosen].width);
    EXPECT_EQ(dialog.chosenMode.height, listed[chosen].height);
}
