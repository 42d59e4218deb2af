// A key released to open a modal dialog, as the level opens its pause menu,
// reaches the current input handler once, also after the dialog has run its
// own event loop. Real keys, under a window manager.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include "shell/graphics.h"
#include "tests/support/game_window_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

// Opens a plain modal dialog on the release of Escape and counts the
// releases it is sent; a real Enter closes the dialog.
struct DialogOnRelease
{
    int releases = 0;

    static void Input(void* context, int32_t code, void* data)
    {
        if (code != InputKeyUp || *static_cast<int32_t*>(data) != WXK_ESCAPE)
            return;
        auto* self = static_cast<DialogOnRelease*>(context);
        if (++self->releases > 1)
            return;
        wxDialog dialog(g_graphics->frame, wxID_ANY, "Dialog");
        auto* ok = new wxButton(&dialog, wxID_OK, "OK");
        ok->SetDefault();
        ok->SetFocus();
        dialog.Fit();
        wxTimer enter;
        enter.Bind(wxEVT_TIMER, [](wxTimerEvent&) { PressKeys("Return"); });
        enter.StartOnce(300);
        dialog.ShowModal();
    }
};

TEST(KeyRelease, AKeyReleasedToOpenADialogIsReportedOnce)
{
    GameWindowSandbox window;
    DialogOnRelease screen;
    PushInputHandler(DialogOnRelease::Input, &screen);
    g_graphics->frame->Raise();
    g_graphics->stage->SetFocus();
    PumpEvents(200);
    PressKeys("Escape");
    for (int i = 0; i < 40 && screen.releases == 0; ++i)
        PumpEvents(25);
    PumpEvents(500);
    PopInputHandler();
    EXPECT_EQ(screen.releases, 1) << "the frame sent the release again";
}

// Counts the presses of Enter that reach the screen.
struct EnterPresses
{
    int count = 0;

    static void Input(void* context, int32_t code, void* data)
    {
        if (code == InputKeyDown && *static_cast<int32_t*>(data) == kKeyEnter)
            static_cast<EnterPresses*>(context)->count += 1;
    }
};

// Everything here happens while the game does not read its events, as when a
// frame or a screen's loading holds it up: they are read afterwards, in order.
TEST(KeyRelease, AHeldEnterActsOnceAndANewPressAlwaysActs)
{
    GameWindowSandbox window;
    EnterPresses screen;
    PushInputHandler(EnterPresses::Input, &screen);
    g_graphics->frame->Raise();
    g_graphics->stage->SetFocus();
    PumpEvents(300);

    // Held past the repeat delay and released: the repeats are read after
    // the release and are repeats all the same.
    Xdotool("keydown Return sleep 1.2 keyup Return");
    PumpEvents(500);
    EXPECT_EQ(screen.count, 1);

    // Held, released while another program has the keyboard, and pressed
    // again once the game has it back: that press is a new one.
    Xdotool("keydown Return");
    WithKeyboardElsewhere([] { Xdotool("keyup Return"); });
    PressKeys("Return");
    PumpEvents(500);
    PopInputHandler();
    EXPECT_EQ(screen.count, 3);
}

} // namespace
