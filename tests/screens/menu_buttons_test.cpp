#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <wx/menu.h>
#include <wx/timer.h>

#include "screens/menu/menu_buttons.h"
#include "screens/menu/tamber_menu.h"
#include "tests/support/game_window_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

const char* kLevels[] = {"Easy", "Medium", "Hard", nullptr};

struct ButtonsTest : testing::Test
{
    GameWindowSandbox window; // 1280 x 720
    CTamberMenu menu;

    // A click as Enter on the control gives it.
    static void Click(wxWindow* control) { SendKey(control, wxEVT_CHAR, WXK_RETURN); }
};

// Columns of the window's picture that hold dark (label) pixels, from the middle rows.
std::pair<int, int> DarkColumns(wxWindow* window)
{
    wxSize size = window->GetSize();
    wxImage shot = CaptureScreen(wxRect(window->GetScreenPosition(), size));
    int left = size.x, right = -1;
    for (int y = size.y / 4; y < size.y * 3 / 4; ++y)
        for (int x = 4; x < size.x - 4; ++x)
            if (shot.GetRed(x, y) < 60 && shot.GetGreen(x, y) < 60) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

TEST(ButtonPicture, SelectedWhilePressedOverItFocusedOnlyWithoutAPress)
{
    EXPECT_EQ(ChooseButtonPicture(false, false, false, false), PictureNormal);
    EXPECT_EQ(ChooseButtonPicture(true, false, false, false), PictureNormal); // hover alone
    EXPECT_EQ(ChooseButtonPicture(true, true, false, false), PictureSelected);
    EXPECT_EQ(ChooseButtonPicture(false, false, true, false), PictureSelected);
    EXPECT_EQ(ChooseButtonPicture(false, false, false, true), PictureFocused);
    EXPECT_EQ(ChooseButtonPicture(false, true, false, true), PictureNormal); // dragged off
    EXPECT_EQ(ChooseButtonPicture(true, true, false, true), PictureSelected);
}

TEST_F(ButtonsTest, PicturesAreMadeOncePerHeightAndFixTheButtonSize)
{
    auto* first = new CTamberMenuButton(&menu, 10001, "One");
    int builds = MenuButtonPictureBuilds();
    auto* second = new CTamberMenuButton(&menu, 10002, "Two");
    EXPECT_EQ(MenuButtonPictureBuilds(), builds);
    // A twentieth of the height, as wide as the 5:1 picture at that height.
    EXPECT_EQ(second->GetMinSize(), wxSize(180, 36));
    EXPECT_EQ(second->GetMaxSize(), wxSize(180, 36));

    g_graphics->height = 600;
    auto* smaller = new CTamberMenuButton(&menu, 10003, "Three");
    EXPECT_EQ(MenuButtonPictureBuilds(), builds + 1);
    EXPECT_EQ(smaller->GetMinSize(), wxSize(150, 30));
    EXPECT_EQ(first->GetMinSize(), wxSize(180, 36)); // earlier buttons keep theirs
    g_graphics->height = 720;
}

TEST_F(ButtonsTest, ALongLabelShrinksInsideTheButton)
{
    auto* button = new CTamberMenuButton(&menu, 10001, "A label far too long for any button");
    menu.AddWindow(button);
    ShowActiveAndDo(menu, [button](wxDialog& d) {
        PumpEvents(200);
        std::pair<int, int> ink = DarkColumns(button);
        int inset = 36 * 10 / 100;
        EXPECT_GE(ink.first, inset - 1);
        EXPECT_LE(ink.second, 180 - inset);
        EXPECT_GT(ink.second - ink.first, 100) << "label not drawn across the button";
        d.EndModal(0);
    });
}

TEST_F(ButtonsTest, AChoiceStartsInRangeOrShowsADash)
{
    int tooBig = 3, wayTooBig = 7, negative = -2, middle = 1;
    CTamberMenuChoice a(&menu, &tooBig, kLevels);
    CTamberMenuChoice b(&menu, &wayTooBig, kLevels);
    CTamberMenuChoice c(&menu, &negative, kLevels);
    CTamberMenuChoice d(&menu, &middle, kLevels);
    EXPECT_EQ(tooBig, 0);
    EXPECT_EQ(a.GetLabelText(), "Easy");
    EXPECT_EQ(wayTooBig, 0);
    EXPECT_EQ(negative, -2);
    EXPECT_EQ(c.GetLabelText(), "-");
    EXPECT_EQ(d.GetLabelText(), "Medium");
}

TEST_F(ButtonsTest, FromANegativeIndexBackDoesNothingAndForwardTakesTheFirst)
{
    int index = -3;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    SendKey(choice, wxEVT_CHAR, WXK_LEFT);
    SendKey(choice, wxEVT_CHAR, WXK_UP);
    EXPECT_EQ(index, -3);
    EXPECT_EQ(choice->GetLabelText(), "-");
    SendKey(choice, wxEVT_CHAR, WXK_RIGHT);
    EXPECT_EQ(index, 0);
}

TEST_F(ButtonsTest, ThePopupListsTheOptionsWithTheCurrentOneChecked)
{
    int index = 1;
    CTamberMenuChoice choice(&menu, &index, kLevels);
    wxMenu popup;
    choice.FillPopup(popup);
    ASSERT_EQ(popup.GetMenuItemCount(), 3u);
    for (int i = 0; i < 3; ++i) {
        wxMenuItem* item = popup.FindItemByPosition(i);
        EXPECT_EQ(item->GetId(), 10001 + i);
        EXPECT_EQ(item->GetItemLabelText(), kLevels[i]);
        EXPECT_EQ(item->IsChecked(), i == 1);
    }
    index = -1;
    wxMenu none;
    choice.FillPopup(none);
    for (size_t i = 0; i < none.GetMenuItemCount(); ++i)
        EXPECT_FALSE(none.FindItemByPosition(i)->IsChecked());

    // Choosing an item arrives as a menu command; other ids change nothing.
    wxCommandEvent chosen(wxEVT_MENU, 10003);
    choice.ProcessWindowEvent(chosen);
    EXPECT_EQ(index, 2);
    for (int id : {10000, 10004, 5006}) {
        wxCommandEvent other(wxEVT_MENU, id);
        choice.ProcessWindowEvent(other);
        EXPECT_EQ(index, 2);
    }
}

TEST_F(ButtonsTest, ClickingAChoiceOpensItsPopupAndAnItemChangesTheValue)
{
    int index = 2;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    menu.AddWindow(choice);
    int id = ShowActiveAndDo(menu, [choice, &index](wxDialog& d) {
        choice->SetFocus();
        PumpEvents(100);
        std::atomic<bool> closed{false};
        // The popup holds the input until it closes: keys come from outside.
        std::thread player([&closed] {
            std::system("sleep 0.4; xdotool key Down Down Return");
            for (int i = 0; i < 30 && !closed; ++i)
                std::system("sleep 0.1");
            if (!closed)
                std::system("xdotool key Escape");
        });
        EXPECT_FALSE(IsChoicePopupShown());
        // The popup takes the focus from the menu; the menu must still count
        // as active, or the game would take it for the player leaving.
        bool shownDuringPopup = false, activeDuringPopup = false;
        wxTimer probe;
        probe.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            shownDuringPopup = IsChoicePopupShown();
            activeDuringPopup = static_cast<CTamberMenu&>(d).IsActive();
        });
        probe.StartOnce(200);
        Click(choice);
        closed = true;
        player.join();
        EXPECT_TRUE(shownDuringPopup);
        EXPECT_TRUE(activeDuringPopup);
        EXPECT_EQ(index, 1);
        EXPECT_FALSE(IsChoicePopupShown());
        EXPECT_TRUE(d.IsModal()) << "choosing closed the menu";
        d.EndModal(0);
    });
    EXPECT_EQ(id, 0);
}

TEST_F(ButtonsTest, ArrowsStepThroughTheOptionsStopAtTheEndsAndTabLeaves)
{
    int index = 0;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    auto* next = new CTamberMenuButton(&menu, 10001, "Next");
    menu.AddWindow(choice);
    menu.AddWindow(next);
    ShowActiveAndDo(menu, [&](wxDialog& d) {
        choice->SetFocus();
        PumpUntil([&] { return wxWindow::FindFocus() == choice; });
        PressKeys("Left Up"); // at the first option: nothing, and the focus stays
        PumpEvents(100);
        EXPECT_EQ(index, 0);
        EXPECT_EQ(wxWindow::FindFocus(), choice);
        PressKeys("Right Right Right Down");
        PumpUntil([&] { return index == 2; });
        PumpEvents(100);
        EXPECT_EQ(index, 2);
        EXPECT_EQ(wxWindow::FindFocus(), choice);
        PressKeys("Left");
        PumpUntil([&] { return index == 1; });
        EXPECT_EQ(index, 1);
        PressKeys("Tab");
        PumpUntil([&] { return wxWindow::FindFocus() == next; });
        EXPECT_EQ(wxWindow::FindFocus(), next);
        d.EndModal(0);
    });
}

TEST_F(ButtonsTest, AKeyButtonTakesTheNextKeyDown)
{
    int key = 314;
    auto* button = new CTamberMenuKeyButton(&menu, &key);
    auto* other = new CTamberMenuButton(&menu, 10001, "Other");
    EXPECT_EQ(button->GetLabelText(), "Left");
    Click(button);
    EXPECT_TRUE(button->waiting);
    EXPECT_EQ(button->GetLabelText(), "Press Key...");
    SendKey(button, wxEVT_KEY_DOWN, 'A');
    EXPECT_FALSE(button->waiting);
    EXPECT_EQ(key, 'A');
    EXPECT_EQ(button->GetLabelText(), "A");

    Click(button);
    Click(button); // a second click cancels
    EXPECT_FALSE(button->waiting);
    SendKey(button, wxEVT_KEY_DOWN, 'B');
    EXPECT_EQ(key, 'A');

    Click(button);
    SendKey(button, wxEVT_KEY_DOWN, WXK_ESCAPE); // cancels, keeps the key
    EXPECT_FALSE(button->waiting);
    EXPECT_EQ(key, 'A');

    Click(button);
    SendKey(button, wxEVT_KEY_DOWN, WXK_RETURN); // Enter is a key like any
    EXPECT_EQ(key, WXK_RETURN);
    EXPECT_EQ(button->GetLabelText(), "Enter");
    (void)other;
}

TEST_F(ButtonsTest, AKeyButtonStopsWaitingWhenTheFocusMoves)
{
    int key = 32;
    auto* button = new CTamberMenuKeyButton(&menu, &key);
    auto* other = new CTamberMenuButton(&menu, 10001, "Other");
    menu.AddWindow(button);
    menu.AddWindow(other);
    ShowActiveAndDo(menu, [&](wxDialog& d) {
        Click(button);
        PumpUntil([&] { return wxWindow::FindFocus() == button; });
        EXPECT_TRUE(button->waiting);
        other->SetFocus();
        PumpUntil([&] { return !button->waiting; });
        EXPECT_FALSE(button->waiting);
        d.EndModal(0);
    });
    EXPECT_EQ(key, 32);
}

TEST_F(ButtonsTest, RealKeysWhileWaitingAreTakenEscapeAndTabIncluded)
{
    int key = 32;
    auto* button = new CTamberMenuKeyButton(&menu, &key);
    menu.AddWindow(button);
    menu.AddWindow(new CTamberMenuButton(&menu, 10001, "Other"));
    int id = ShowActiveAndDo(menu, [&](wxDialog& d) {
        button->SetFocus();
        PumpUntil([&] { return wxWindow::FindFocus() == button; });
        PressKeys("Return");
        PumpUntil([&] { return button->waiting; });
        ASSERT_TRUE(button->waiting);
        PressKeys("Escape"); // cancels the wait, not the menu
        PumpUntil([&] { return !button->waiting; });
        PumpEvents(100);
        EXPECT_TRUE(d.IsModal());
        EXPECT_EQ(key, 32);

        PressKeys("Return Tab");
        PumpUntil([&] { return key != 32; });
        EXPECT_EQ(key, WXK_TAB);
        EXPECT_EQ(wxWindow::FindFocus(), button);
        PressKeys("Return d");
        PumpUntil([&] { return key != WXK_TAB; });
        EXPECT_EQ(key, 'D');
        PressKeys("Escape"); // not waiting: the menu's Escape
    });
    EXPECT_EQ(id, wxID_CANCEL);
}

TEST_F(ButtonsTest, KeysWithoutANameStillShowSomethingReadable)
{
    for (int stored : {5, 0, -7, 100000, 304}) {
        int key = stored;
        CTamberMenuKeyButton button(&menu, &key);
        EXPECT_EQ(button.GetLabelText(), wxString::Format("Key %d", stored));
        EXPECT_EQ(key, stored); // shown, never changed
    }
    int letter = 'Q';
    CTamberMenuKeyButton button(&menu, &letter);
    EXPECT_EQ(button.GetLabelText(), "Q");
}
