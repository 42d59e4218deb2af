#include <gtest/gtest.h>

#include <cstdlib>

#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include "screens/menu/choice_popup.h"
#include "screens/menu/menu_buttons.h"
#include "screens/menu/tamber_menu.h"
#include "shell/focus_settling.h"
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

// Pixels of a light colour: the white text and dot, or a lit row.
int CountBrightPixels(const wxImage& image)
{
    int count = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            count += image.GetBlue(x, y) > 150;
    return count;
}

// The first and one past the last row of the lit row's picture, read down a
// column near the popup's right end, where no text lies; (-1, -1) if none.
std::pair<int, int> LitBand(const wxImage& shot)
{
    int x = shot.GetWidth() - 30, top = -1, bottom = -1;
    for (int y = 4; y < shot.GetHeight() - 4; ++y)
        if (shot.GetBlue(x, y) > 150 && shot.GetRed(x, y) > 90) {
            top = top < 0 ? y : top;
            bottom = y + 1;
        }
    return {top, bottom};
}

// The first and one past the last row with white text between the rows top
// and bottom, right of the given column.
std::pair<int, int> InkRows(const wxImage& shot, int top, int bottom, int fromX)
{
    int first = -1, last = -1;
    for (int y = std::max(0, top); y < std::min(bottom, shot.GetHeight()); ++y)
        for (int x = fromX; x < shot.GetWidth() - 4; ++x)
            if (shot.GetRed(x, y) > 150 && shot.GetGreen(x, y) > 150 && shot.GetBlue(x, y) > 150) {
                first = first < 0 ? y : first;
                last = y + 1;
                break;
            }
    return {first, last};
}

void MoveMouse(const wxPoint& at)
{
    std::string command = "xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y);
    EXPECT_EQ(std::system(command.c_str()), 0);
}

// A real click of the left button at the screen point.
void ClickAt(const wxPoint& at)
{
    std::string command =
        "xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

// Runs the action once from inside the popup's own loop when it shows; a
// failure if none shows within three seconds, or if it is still open three
// seconds after the action (then Escape closes it, so no failure hangs).
class ChoicePopupWatch : public wxTimer
{
public:
    explicit ChoicePopupWatch(const std::function<void(wxWindow*)>& act) : action(act)
    {
        Start(10);
    }

    void Notify() override
    {
        wxWindow* popup = ShownChoicePopup();
        if (!acted) {
            if (!popup && clock.Time() < 3000)
                return;
            if (!popup) {
                ADD_FAILURE() << "no choice popup showed";
                Finish();
                return;
            }
            acted = true;
            action(popup);
            clock.Start();
            return;
        }
        if (popup && clock.Time() < 3000)
            return;
        if (popup) {
            ADD_FAILURE() << "the choice popup did not close";
            SendKey(popup->GetChildren().front(), wxEVT_KEY_DOWN, WXK_ESCAPE);
        }
        Finish();
    }

private:
    void Finish()
    {
        Stop();
        wxTheApp->CallAfter([this] { delete this; });
    }

    std::function<void(wxWindow*)> action;
    wxStopWatch clock;
    bool acted = false;
};

void WhenChoicePopupShows(const std::function<void(wxWindow*)>& action)
{
    new ChoicePopupWatch(action);
}

// Enter on the focused choice opens its popup (what WhenChoicePopupShows set
// up then chooses); the row chosen is taken, the menu stays and the focus is
// back on the choice.
void OpenByEnterAndExpectChosen(wxDialog& menu, wxWindow* choice, const int& index, int row)
{
    PressKeys("Return");
    PumpUntil([&] { return index == row && !ShownChoicePopup(); });
    EXPECT_EQ(index, row);
    EXPECT_TRUE(menu.IsModal()) << "choosing closed the menu";
    PumpUntil([&] { return wxWindow::FindFocus() == choice; });
    EXPECT_EQ(wxWindow::FindFocus(), choice);
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

TEST_F(ButtonsTest, AChosenRowArrivesAsAMenuCommandOtherIdsChangeNothing)
{
    int index = 1;
    CTamberMenuChoice choice(&menu, &index, kLevels);
    wxCommandEvent chosen(wxEVT_MENU, 10003);
    choice.ProcessWindowEvent(chosen);
    EXPECT_EQ(index, 2);
    for (int id : {10000, 10004, 5006}) {
        wxCommandEvent other(wxEVT_MENU, id);
        choice.ProcessWindowEvent(other);
        EXPECT_EQ(index, 2);
    }
}

TEST_F(ButtonsTest, ThePopupIsSteppedAndChosenByKeysAndMouseInTheMenuTextSize)
{
    int index = 2;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    auto* other = new CTamberMenuButton(&menu, 10001, "Other");
    menu.AddWindow(choice);
    menu.AddWindow(other);
    const int textHeight = 720 / 24;
    int id = ShowActiveAndDo(menu, [&](wxDialog& d) {
        choice->SetFocus();
        PumpUntil([&] { return wxWindow::FindFocus() == choice; });
        const CGameGraphics before = *g_graphics;
        const int cursorShown = CursorShowCount();
        // The popup holds the input as a menu does, and the menu under it
        // keeps counting as active with the cursor and capture untouched.
        auto expectMenuStateKept = [&](bool popupShown) {
            EXPECT_EQ(ShownChoicePopup() != nullptr, popupShown);
            EXPECT_TRUE(static_cast<CTamberMenu&>(d).IsActive());
            EXPECT_EQ(g_graphics->menuCount, before.menuCount);
            EXPECT_EQ(g_graphics->hideCount, before.hideCount);
            EXPECT_EQ(g_graphics->captureCount, before.captureCount);
            EXPECT_EQ(CursorShowCount(), cursorShown);
        };
        EXPECT_FALSE(ShownChoicePopup());

        // Keys: Enter opens it with no row lit; Down lights the first row,
        // Down the second, and Enter chooses that one.
        std::pair<int, int> first;
        WhenChoicePopupShows([&](wxWindow* popup) {
            expectMenuStateKept(true);
            wxRect area = popup->GetScreenRect();
            PumpUntil([&] { return CountBrightPixels(CaptureScreen(area)) > 0; });
            EXPECT_EQ(LitBand(CaptureScreen(area)).first, -1) << "a row lit before any key";
            PressKeys("Down");
            PumpUntil([&] { return LitBand(CaptureScreen(area)).first >= 0; });
            first = LitBand(CaptureScreen(area));
            PressKeys("Down");
            PumpUntil([&] { return LitBand(CaptureScreen(area)).first > first.first; });
            wxImage shot = CaptureScreen(area);
            SaveScreenShot("choice-popup");
            int pitch = LitBand(shot).first - first.first;
            // Rows in the menu's text size, not the desktop's small menu font.
            EXPECT_EQ(pitch, ChoicePopupRowHeight(textHeight));
            EXPECT_GE(pitch, textHeight);
            EXPECT_GE(area.height, 3 * pitch);
            EXPECT_LT(area.height, 4 * pitch);
            int rowTop = first.first - (pitch - (first.second - first.first)) / 2;
            std::pair<int, int> ink = InkRows(shot, rowTop, rowTop + pitch, textHeight + 4);
            EXPECT_GE(ink.second - ink.first, textHeight / 2) << "the text is too small";
            EXPECT_LE(ink.second - ink.first, textHeight);
            // The current option, the third, carries the dot; the first does not.
            wxRect firstDot(3, rowTop, textHeight - 3, pitch);
            wxRect thirdDot(3, rowTop + 2 * pitch, textHeight - 3, pitch);
            EXPECT_EQ(CountBrightPixels(shot.GetSubImage(firstDot)), 0);
            EXPECT_GT(CountBrightPixels(shot.GetSubImage(thirdDot)), 0);
            PressKeys("Tab Return");
        });
        OpenByEnterAndExpectChosen(d, choice, index, 1);
        expectMenuStateKept(false);

        // Up from no row lights the last; Escape closes without a change,
        // and only the popup.
        WhenChoicePopupShows([&](wxWindow* popup) {
            wxRect area = popup->GetScreenRect();
            PressKeys("Up");
            PumpUntil([&] { return LitBand(CaptureScreen(area)).first >= 0; });
            int pitch = ChoicePopupRowHeight(textHeight);
            EXPECT_EQ(LitBand(CaptureScreen(area)).first, first.first + 2 * pitch);
            PressKeys("Escape");
        });
        PressKeys("Return");
        PumpUntil([&] { return !ShownChoicePopup(); });
        PumpEvents(100);
        EXPECT_EQ(index, 1);
        EXPECT_TRUE(d.IsModal()) << "Escape in the popup closed the menu";

        // The mouse: the row under it lights and a click chooses it.
        wxRect button = choice->GetScreenRect();
        WhenChoicePopupShows([&](wxWindow* popup) {
            wxRect area = popup->GetScreenRect();
            int rowHeight = ChoicePopupRowHeight(textHeight);
            wxPoint firstRow(area.x + area.width / 2, area.y + area.height / 2 - rowHeight);
            MoveMouse(firstRow);
            PumpUntil([&] { return LitBand(CaptureScreen(area)).first >= 0; });
            EXPECT_EQ(LitBand(CaptureScreen(area)), first) << "not the first row lit";
            ClickAt(firstRow);
        });
        ClickAt(wxPoint(button.x + button.width / 2, button.y + button.height / 2));
        PumpUntil([&] { return index == 0 && !ShownChoicePopup(); });
        EXPECT_EQ(index, 0);
        expectMenuStateKept(false);

        // A click outside closes it and presses nothing under it.
        wxRect outside = other->GetScreenRect();
        WhenChoicePopupShows([&](wxWindow*) {
            ClickAt(wxPoint(outside.x + outside.width / 2, outside.y + outside.height / 2));
        });
        ClickAt(wxPoint(button.x + button.width / 2, button.y + button.height / 2));
        PumpUntil([&] { return !ShownChoicePopup(); });
        PumpEvents(200);
        EXPECT_FALSE(ShownChoicePopup());
        EXPECT_EQ(index, 0);
        EXPECT_TRUE(d.IsModal()) << "the click outside pressed the button under it";
        expectMenuStateKept(false);

        // Another window taking the focus closes it, as it closes a menu,
        // rather than leaving it over that window; the focus stays there.
        wxFrame* elsewhere = nullptr;
        WhenChoicePopupShows([&](wxWindow*) {
            elsewhere =
                new wxFrame(nullptr, wxID_ANY, "Elsewhere", wxPoint(0, 0), wxSize(300, 200));
            elsewhere->Show();
        });
        PressKeys("Return");
        PumpUntil([&] { return elsewhere && !ShownChoicePopup(); });
        EXPECT_FALSE(ShownChoicePopup());
        EXPECT_EQ(index, 0);
        PumpEvents(300);
        EXPECT_TRUE(elsewhere && elsewhere->IsActive()) << "the menu took the focus back";
        EXPECT_FALSE(d.IsActive());
        if (elsewhere)
            elsewhere->Destroy();
        d.EndModal(0);
    });
    EXPECT_EQ(id, 0);
}

// Kiosks and bare X sessions have no window manager: there the menu goes
// inactive as the popup takes the pointer, and the popup takes the focus
// itself. Run by the test program on a server without one.
TEST_F(ButtonsTest, WithoutAWindowManagerThePopupOpensStepsAndChooses)
{
    int index = 0;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    menu.AddWindow(choice);
    ShowModalAndDo(menu, [&](wxDialog& d) {
        choice->SetFocus();
        PumpUntil([&] { return d.IsActive() && wxWindow::FindFocus() == choice; });
        WhenChoicePopupShows([&](wxWindow* popup) {
            // Longer than a loss of the focus must last to count.
            PumpEvents(kFocusSettleMs + 200);
            EXPECT_TRUE(popup->IsShown()) << "the popup closed by itself";
            EXPECT_TRUE(d.IsActive()) << "the program counts as having lost the focus";
            PressKeys("Down Down Return");
        });
        OpenByEnterAndExpectChosen(d, choice, index, 1);
        d.EndModal(0);
    });
}

// The focus leaving the popup's rows and coming back, as the toolkit tells it.
void SendFocus(wxWindow* window, wxEventType type)
{
    wxFocusEvent event(type, window->GetId());
    event.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(event);
}

// Two losses of the focus close together: the second is judged only once it
// has lasted the settling time itself, not when the first one's is up. Timed
// by the wall clock: a pass that a busy machine stretched tells nothing and
// is run again.
TEST_F(ButtonsTest, WithoutAWindowManagerASecondLossOfTheFocusSettlesInFull)
{
    int index = 0;
    auto* choice = new CTamberMenuChoice(&menu, &index, kLevels);
    menu.AddWindow(choice);
    ShowModalAndDo(menu, [&](wxDialog& d) {
        bool timed = false;
        for (int pass = 0; pass < 10 && !timed; ++pass) {
            choice->SetFocus();
            PumpUntil([&] { return d.IsActive() && wxWindow::FindFocus() == choice; });
            bool closed = false, acted = false;
            WhenChoicePopupShows([&](wxWindow* popup) {
                wxWindow* rows = popup->GetChildren().front();
                PumpUntil([] { return ChoicePopupHoldsFocus(); });
                wxStopWatch first;
                SendFocus(rows, wxEVT_KILL_FOCUS);
                SendFocus(rows, wxEVT_SET_FOCUS);
                PumpUntil([&] { return first.Time() >= kFocusSettleMs * 3 / 4; });
                wxStopWatch second;
                SendFocus(rows, wxEVT_KILL_FOCUS);
                bool secondInTime = first.Time() < kFocusSettleMs - 20;
                PumpUntil([&] { return first.Time() >= kFocusSettleMs + 50 || !popup->IsShown(); });
                SendFocus(rows, wxEVT_SET_FOCUS);
                timed = secondInTime && second.Time() < kFocusSettleMs - 20;
                PumpEvents(kFocusSettleMs + 100);
                closed = !popup->IsShown();
                if (!closed)
                    SendKey(rows, wxEVT_KEY_DOWN, WXK_ESCAPE);
                acted = true;
            });
            PressKeys("Return");
            PumpUntil([&] { return acted && !ShownChoicePopup(); }, 10000);
            PumpEvents(100);
            if (timed) {
                EXPECT_FALSE(closed) << "the second loss was judged before it had lasted";
            }
        }
        EXPECT_TRUE(timed) << "no pass kept to its times";
        d.EndModal(0);
    });
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
