#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/stopwatch.h>

#include "audio/sound_thread.h"
#include "tests/support/sound_thread_stub.h"
#include "platform/win_cursor.h"
#include "platform/win_threads.h"
#include "shell/application.h"
#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/mouse.h"
#include "shell/settings.h"
#include "tests/shell/fake_displays.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

const DisplayRect kScreen{0, 0, 1280, 720};
const VideoMode kDesktop{1280, 720, 32, 60};
const VideoMode kGame{800, 600, 32, 0};

int CursorCount()
{
    int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

POINT Pointer()
{
    POINT p{-1, -1};
    GetCursorPos(&p);
    return p;
}

// The test display with one more mode than its desktop one; the game's
// choice is that mode.
struct WindowTest : testing::Test
{
    WindowTest()
    {
        UseFakeDisplays(kScreen, kDesktop);
        AddFakeMode(0, VideoMode{800, 600, 32, 60});
        g_displayIndex = 0;
        g_gameMode = kGame;
        g_displayChosen = true;
        g_gameModeEntered = false;
        g_desktopModeChanged = false;
    }

    ~WindowTest() override
    {
        TearDownGame();
        PumpEvents(20);
        g_inputHandlers.clear();
        UseRealDisplays();
    }

    VideoMode Shown() const { return g_fake.displays[0].current; }
};

// Records what reaches the input handler.
struct Inputs
{
    std::vector<std::string> seen;

    static void Record(void* context, int32_t code, void* data)
    {
        auto* inputs = static_cast<Inputs*>(context);
        char line[64];
        switch (code) {
        case InputClose: std::snprintf(line, sizeof line, "close"); break;
        case InputLeftDown:
        case InputLeftUp:
        case InputMousePos: {
            auto* p = static_cast<InputPoint*>(data);
            std::snprintf(line, sizeof line, "%#x %d %d", code, p->x, p->y);
            break;
        }
        case InputMouseDelta: {
            auto* d = static_cast<InputDelta*>(data);
            std::snprintf(line, sizeof line, "delta %g %g", d->dx, d->dy);
            break;
        }
        default:
            std::snprintf(line, sizeof line, "%#x %d", code, *static_cast<int32_t*>(data));
        }
        inputs->seen.push_back(line);
    }

    // Lets the toolkit run until `count` inputs came, for at most 3 s.
    bool WaitFor(size_t count)
    {
        wxStopWatch clock;
        while (seen.size() < count && clock.Time() < 3000)
            PumpEvents(10);
        return seen.size() >= count;
    }
};

} // namespace

TEST_F(WindowTest, InitGraphicsOpensTheStageInTheGameModeWithTheGLState)
{
    InitGraphics();
    CGameGraphics* g = g_graphics;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->active, 1);
    EXPECT_EQ(g_fake.changes, 1);
    EXPECT_TRUE(g_desktopModeChanged);
    EXPECT_TRUE(g_gameModeEntered);
    EXPECT_EQ(Shown().width, 800);
    EXPECT_EQ(g->stageX, 0);
    EXPECT_EQ(g->stageY, 0);
    EXPECT_EQ(g->width, 800);
    EXPECT_EQ(g->height, 600);
    EXPECT_TRUE(g->frame->IsShown());
    EXPECT_EQ(g_curtain, nullptr);
    EXPECT_EQ(CursorCount(), 0); // hidden only while the mode was entered

    for (GLenum off : {GL_DITHER, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_FOG, GL_DEPTH_TEST})
        EXPECT_FALSE(glIsEnabled(off)) << off;
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    GLfloat colour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_EQ(std::vector<float>(colour, colour + 4), (std::vector<float>{0, 0, 0, 1}));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(colour[i], 0, 1e-6); // glColor3i maps 0 a hair above 0
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<int>(viewport, viewport + 4), (std::vector<int>{0, 0, 800, 600}));
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f / 800);
    EXPECT_FLOAT_EQ(m[5], 2.0f / 600);
    EXPECT_FLOAT_EQ(m[12], -1);
    EXPECT_FLOAT_EQ(m[13], -1);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 1);
    EXPECT_FLOAT_EQ(m[12], 0);

    InitGraphics(); // a second call keeps the record
    EXPECT_EQ(g_graphics, g);
    EXPECT_EQ(g_fake.changes, 1);
}

TEST_F(WindowTest, SetGameActiveLeavesAndEntersTheModeAndPausesSound)
{
    SoundThreadStub sound;
    SetGameActive(true); // no record yet: nothing
    InitGraphics();
    SetGameActive(true); // already active: nothing
    EXPECT_TRUE(sound.Messages(0).empty());

    SetGameActive(false);
    EXPECT_EQ(g_graphics->active, 0);
    EXPECT_FALSE(g_gameModeEntered);
    EXPECT_FALSE(g_desktopModeChanged);
    EXPECT_EQ(Shown().width, 1280);
    EXPECT_EQ(sound.Messages(1), (std::vector<UINT>{WM_SOUND_DISABLE}));
    SetGameActive(false);

    SetGameActive(true);
    EXPECT_EQ(g_graphics->active, 1);
    EXPECT_TRUE(g_gameModeEntered);
    EXPECT_EQ(Shown().width, 800);
    EXPECT_TRUE(g_graphics->frame->IsShown());
    EXPECT_EQ(sound.Messages(2), (std::vector<UINT>{WM_SOUND_DISABLE, WM_SOUND_ENABLE}));
}

TEST_F(WindowTest, ADesktopAlreadyInTheGameModeIsNotSwitched)
{
    g_gameMode = VideoMode{1280, 720, 32, 0}; // the desktop at 60 Hz matches
    InitGraphics();
    EXPECT_EQ(g_fake.changes, 0);
    EXPECT_FALSE(g_desktopModeChanged);
    EXPECT_EQ(g_graphics->width, 1280);
    LeaveGameDisplayMode(g_graphics->frame);
    EXPECT_EQ(g_fake.changes, 0);
    EXPECT_FALSE(g_graphics->frame->IsShown());
}

TEST_F(WindowTest, AFailedSwitchUsesTheRealSizeAndLeavesNothingToUndo)
{
    g_fake.failChanges = true;
    InitGraphics();
    EXPECT_FALSE(g_desktopModeChanged);
    EXPECT_EQ(g_graphics->width, 1280);
    EXPECT_EQ(g_graphics->height, 720);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1280);
    g_fake.failChanges = false;
    LeaveGameDisplayMode(g_graphics->frame);
    EXPECT_EQ(g_fake.changes, 0);
    EXPECT_EQ(g_fake.restores, 0);
}

TEST_F(WindowTest, ADisplayThatHasGoneLeavesTheStageOnThePrimaryOne)
{
    g_displayIndex = 2;
    InitGraphics();
    EXPECT_EQ(g_graphics->width, 1280);
    EXPECT_EQ(g_graphics->height, 720);
    EXPECT_FALSE(g_desktopModeChanged);
}

TEST_F(WindowTest, EnteringTwiceFadesOnceAndTheExitPathRestores)
{
    InitGraphics();
    wxStopWatch clock;
    EXPECT_TRUE(EnterGameDisplayMode(g_graphics->frame, g_graphics->stage));
    EXPECT_LT(clock.Time(), 500); // no second curtain
    EXPECT_EQ(g_fake.changes, 1);
    // Ending without leaving: the exit path puts the desktop back.
    RestoreDesktopMode();
    EXPECT_EQ(g_fake.restores, 1);
    EXPECT_EQ(Shown().width, 1280);
    EXPECT_FALSE(g_desktopModeChanged);
    RestoreDesktopMode();
    EXPECT_EQ(g_fake.restores, 1);
}

namespace {

struct RunGameTest : WindowTest
{
    ConfigSandbox sandbox;

    RunGameTest()
    {
        LoadSettings();
        GameSettings& s = g_settings;
        s.displayIndex = 0;
        s.displayLeft = s.displayTop = 0;
        s.displayWidth = 1280;
        s.displayHeight = 720;
        s.gameWidth = 800;
        s.gameHeight = 600;
        s.depth = 32;
    }
};

int g_screensRun = 0;

void CheckWindowAndThrow()
{
    ++g_screensRun;
    EXPECT_NE(g_graphics, nullptr);
    EXPECT_EQ(g_fake.displays[0].current.width, 800);
    throw "{0D6B7E55-1C0A-4F33-9E0B-3C2B1A77D0F1}";
}

void CheckWindow()
{
    ++g_screensRun;
    EXPECT_NE(g_graphics, nullptr);
    EXPECT_TRUE(g_gameModeEntered);
    EXPECT_NE(g_soundThread, nullptr);
}

} // namespace

TEST_F(RunGameTest, TheGameRoutineTakesEverythingDownAfterItsScreens)
{
    g_screensRun = 0;
    EXPECT_TRUE(RunGameWith(CheckWindow));
    EXPECT_EQ(g_screensRun, 1);
    EXPECT_EQ(g_graphics, nullptr);
    EXPECT_EQ(g_soundThread, nullptr);
    EXPECT_EQ(g_soundThreadUsers, 0);
    EXPECT_FALSE(g_gameModeEntered);
    EXPECT_EQ(Shown().width, 1280);
    PumpEvents(50);
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

TEST_F(RunGameTest, AnErrorInTheScreensStillLeavesTheGameMode)
{
    g_screensRun = 0;
    EXPECT_THROW(RunGameWith(CheckWindowAndThrow), const char*);
    EXPECT_EQ(g_screensRun, 1);
    EXPECT_EQ(g_graphics, nullptr);
    EXPECT_EQ(g_soundThread, nullptr);
    EXPECT_EQ(g_soundThreadUsers, 0);
    EXPECT_FALSE(g_desktopModeChanged);
    EXPECT_EQ(Shown().width, 1280);
    PumpEvents(50);
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

TEST_F(RunGameTest, ACancelledChoiceRunsNothing)
{
    AddFakeDisplay(DisplayRect{1280, 0, 640, 480}, VideoMode{640, 480, 32, 60});
    g_settings.displayIndex = -1;
    wxTheApp->CallAfter([] {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* dialog = dynamic_cast<wxDialog*>(window))
                if (dialog->IsModal())
                    dialog->EndModal(wxID_CANCEL);
    });
    g_screensRun = 0;
    EXPECT_TRUE(RunGameWith(CheckWindow));
    EXPECT_EQ(g_screensRun, 0);
    EXPECT_EQ(g_graphics, nullptr);
    EXPECT_EQ(g_soundThreadUsers, 0);
    EXPECT_EQ(g_fake.changes, 0);
}

TEST_F(WindowTest, RealKeysAndClicksReachTheCurrentHandler)
{
    InitGraphics();
    Inputs inputs;
    PushInputHandler(Inputs::Record, &inputs);
    // Without a window manager the keyboard follows the pointer.
    ASSERT_EQ(std::system("xdotool mousemove 100 120 click 1"), 0);
    ASSERT_TRUE(inputs.WaitFor(2));
    EXPECT_EQ(inputs.seen[0], "0x100 100 120");
    EXPECT_EQ(inputs.seen[1], "0x101 100 120");
    inputs.seen.clear();
    ASSERT_EQ(std::system("xdotool key a key Left"), 0);
    ASSERT_TRUE(inputs.WaitFor(5));
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"0x201 65", "0x200 97", "0x202 65",
                                                     "0x201 314", "0x200 314", "0x202 314"}));
    PopInputHandler();
    ASSERT_EQ(std::system("xdotool key b"), 0);
    PumpEvents(200);
    EXPECT_EQ(inputs.seen.size(), 6u); // no handler: dropped
}

TEST_F(WindowTest, TheFrameSendsKeysAndCloseRequestsButNeverCloses)
{
    InitGraphics();
    Inputs inputs;
    PushInputHandler(Inputs::Record, &inputs);
    CGameFrame* frame = g_graphics->frame;
    wxKeyEvent down(wxEVT_KEY_DOWN);
    down.m_keyCode = WXK_ESCAPE;
    down.SetEventObject(frame);
    frame->ProcessWindowEvent(down);
    EXPECT_FALSE(frame->Close());
    EXPECT_TRUE(frame->Close(true)); // even a forced close is refused
    wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
    EXPECT_TRUE(frame->ProcessWindowEvent(exit));
    PumpEvents(50);
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"0x201 27", "close", "close"}));
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(g_graphics->frame, frame);
}

namespace {

// The stage is 800 x 600 at the screen origin: its centre is (400, 300).
struct MouseTest : WindowTest
{
    Inputs inputs;
    int menu = 0;
    CTamberMenu* Menu() { return reinterpret_cast<CTamberMenu*>(&menu); }

    MouseTest()
    {
        InitGraphics();
        PushInputHandler(Inputs::Record, &inputs);
    }

    void Poll()
    {
        inputs.seen.clear();
        PollMouse();
    }
};

} // namespace

TEST_F(MouseTest, ACursorStraysOnlyBeyondAQuarterOfTheStage)
{
    CGameGraphics* g = g_graphics;
    SetCursorPos(10, 10);
    g->lastCursorX = 400 + 200;
    g->lastCursorY = 300 - 150;
    RecentreCursor(false);
    EXPECT_EQ(Pointer().x, 10); // exactly a quarter: stays
    g->lastCursorX = 400 + 201;
    RecentreCursor(false);
    EXPECT_EQ(Pointer().x, 400);
    EXPECT_EQ(Pointer().y, 300);
    EXPECT_EQ(g->lastCursorX, 400);
    g->lastCursorY = 300 + 151;
    SetCursorPos(5, 5);
    RecentreCursor(false);
    EXPECT_EQ(Pointer().y, 300);
    SetCursorPos(5, 5);
    RecentreCursor(true);
    EXPECT_EQ(Pointer().x, 400);
}

TEST_F(MouseTest, CapturedMotionIsRelativeAndTheWarpNeverShows)
{
    SetCursorPos(30, 40);
    Poll();
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"0x102 30 40"}));

    BeginMouseCapture();
    EXPECT_EQ(CursorCount(), -1);
    EXPECT_EQ(Pointer().x, 400);
    EXPECT_EQ(g_graphics->savedCursorX, 30);
    SetCursorPos(410, 295);
    Poll();
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"delta 10 -5"}));
    EXPECT_EQ(Pointer().x, 410); // near the centre: left where it is
    SetCursorPos(700, 295);
    Poll();
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"delta 290 0"}));
    EXPECT_EQ(Pointer().x, 400); // pulled back
    Poll();
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"delta 0 0"}));

    EndMouseCapture();
    EXPECT_EQ(CursorCount(), 0);
    EXPECT_EQ(Pointer().x, 30);
    EXPECT_EQ(Pointer().y, 40);
}

TEST_F(MouseTest, AMenuGivesTheCursorBackAndClosingItCapturesAgain)
{
    SetCursorPos(30, 40);
    BeginMouseCapture();
    SetActiveMenu(Menu());
    EXPECT_EQ(g_graphics->activeMenu, Menu());
    EXPECT_EQ(Pointer().x, 30);
    EXPECT_EQ(CursorCount(), 0);
    Poll();
    EXPECT_EQ(inputs.seen, (std::vector<std::string>{"0x102 30 40"}));
    SetActiveMenu(Menu()); // nested: only counted
    SetActiveMenu(nullptr);
    EXPECT_EQ(CursorCount(), 0);

    SetCursorPos(50, 60);
    SetActiveMenu(nullptr);
    EXPECT_EQ(g_graphics->activeMenu, nullptr);
    EXPECT_EQ(g_graphics->menuCount, 0);
    EXPECT_EQ(CursorCount(), -1);
    EXPECT_EQ(g_graphics->savedCursorX, 50);
    EXPECT_EQ(Pointer().x, 400);
    EndMouseCapture();
    EXPECT_EQ(Pointer().x, 50);
    EXPECT_EQ(CursorCount(), 0);
}

TEST_F(MouseTest, WithoutCaptureMenusNeitherShowNorHide)
{
    SetActiveMenu(Menu());
    EXPECT_EQ(CursorCount(), 0);
    SetActiveMenu(nullptr);
    EXPECT_EQ(CursorCount(), 0);
    // A capture begun under a menu hid nothing, so ending it shows nothing.
    SetActiveMenu(Menu());
    BeginMouseCapture();
    SetActiveMenu(nullptr);
    EndMouseCapture();
    EXPECT_EQ(g_graphics->hideCount, 0);
    EXPECT_EQ(CursorCount(), 0);
    BeginMouseCapture();
    EXPECT_EQ(CursorCount(), -1);
    EndMouseCapture();
    EXPECT_EQ(CursorCount(), 0);
}

TEST(CursorLayer, AWarpIsSeenByTheNextRead)
{
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(SetCursorPos(i * 7, 700 - i * 5));
        POINT p = Pointer();
        ASSERT_EQ(p.x, i * 7);
        ASSERT_EQ(p.y, 700 - i * 5);
    }
}
