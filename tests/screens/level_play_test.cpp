// The shared screen loop and the level screen on the test display: the two
// orders of a pass, the inactive wait, the level's input handling with its
// pause, a level played with real X input, the celebration of a won one,
// and what a level leaves behind.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/utils.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "audio/sound_data.h"
#include "audio/sound_thread.h"
#include "foundation/startup_globals.h"
#include "platform/win_cursor.h"
#include "screens/level_complete_screen.h"
#include "screens/level_play.h"
#include "screens/menu/tamber_menu.h"
#include "screens/screen_loop.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/settings.h"
#include "tests/support/gui_test_support.h"
#include "tests/world/play_view_checks.h"
#include "tests/support/sound_thread_stub.h"
#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

// Answers the real pause menu from inside its modal loop: counts its
// showings, runs the test's action while it is up, then closes it with the
// test's answer (none: the action closes it).
class PauseAnswers : public wxTimer
{
public:
    int shown = 0;
    int answer = wxID_OK;
    std::function<void()> whileShown;

    void Notify() override
    {
        // Menus shown one after the other may share an address.
        CTamberMenu* menu = g_graphics ? g_graphics->activeMenu : nullptr;
        if (!menu || !menu->IsModal())
            handled = nullptr;
        if (!menu || !menu->IsModal() || menu == handled)
            return;
        handled = menu;
        ++shown;
        if (whileShown)
            whileShown();
        if (answer) {
            menu->EndModal(answer);
            handled = nullptr;
        }
    }

private:
    CTamberMenu* handled = nullptr;
};

PauseAnswers* g_pause = nullptr;

// What the level's teardown did, seen from glDeleteTextures.
struct ReleaseWatch
{
    CBubbleWorld* world = nullptr;
    bool sawTextures = false;
    bool handlerWasPopped = false;
    bool broadPhaseWasGone = false;
    int32_t capturesAtTextures = -1;
} g_release;

} // namespace

extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    using Delete = void (*)(GLsizei, const GLuint*);
    static auto real = reinterpret_cast<Delete>(dlsym(RTLD_NEXT, "glDeleteTextures"));
    if (g_release.world && !g_release.sawTextures) {
        g_release.sawTextures = true;
        g_release.handlerWasPopped = g_graphics->inputCallback != CBubbleWorld::OnInput;
        g_release.broadPhaseWasGone = g_release.world->broadPhase == nullptr;
        g_release.capturesAtTextures = g_graphics->captureCount;
    }
    real(n, textures);
}

namespace {

struct Screens : testing::Test
{
    static void SetUpTestSuite()
    {
        OpenGameWindow();
        g_settings.fireKey = ' ';
        g_settings.leftKey = 314;
        g_settings.rightKey = 316;
    }

    static void TearDownTestSuite() { CloseGameWindow(); }

    PauseAnswers pause;

    Screens()
    {
        g_pause = &pause;
        pause.Start(10);
        g_graphics->active = 1;
        g_graphics->quitRequested = 0;
    }

    ~Screens() override { g_pause = nullptr; }
};

// --- The level's input handler -------------------------------------------

struct LevelInput : Screens
{
    CBubbleWorld* world = new CBubbleWorld();

    ~LevelInput() override { delete world; }

    void Send(int32_t code, int32_t key)
    {
        CBubbleWorld::OnInput(world, code, &key);
    }
};

TEST_F(LevelInput, TurnKeysHoldDropKeyAndButtonRequest)
{
    Send(InputKeyDown, 314);
    EXPECT_EQ(world->leftHeld, 1);
    EXPECT_EQ(world->rightHeld, 0);
    Send(InputKeyDown, 316);
    Send(InputKeyUp, 314);
    EXPECT_EQ(world->leftHeld, 0);
    EXPECT_EQ(world->rightHeld, 1);
    Send(InputKeyUp, 316);
    EXPECT_EQ(world->rightHeld, 0);

    g_settings.rightKey = 314; // one key for both sides
    Send(InputKeyDown, 314);
    EXPECT_EQ(world->leftHeld + world->rightHeld, 2);
    Send(InputKeyUp, 314);
    EXPECT_EQ(world->leftHeld + world->rightHeld, 0);
    g_settings.rightKey = 316;

    // The drop key acts when it goes down, not on its character or release.
    Send(InputChar, ' ');
    Send(InputKeyUp, ' ');
    Send(InputKeyDown, 'X');
    EXPECT_EQ(world->dropRequested, 0);
    Send(InputKeyDown, ' ');
    EXPECT_EQ(world->dropRequested, 1);

    world->dropRequested = 0;
    InputPoint anywhere{3, 700};
    CBubbleWorld::OnInput(world, InputLeftUp, &anywhere);
    CBubbleWorld::OnInput(world, InputMousePos, &anywhere);
    EXPECT_EQ(world->dropRequested, 0);
    CBubbleWorld::OnInput(world, InputLeftDown, &anywhere);
    EXPECT_EQ(world->dropRequested, 1);

    InputDelta motion{12.5, -40};
    CBubbleWorld::OnInput(world, InputMouseDelta, &motion);
    CBubbleWorld::OnInput(world, InputMouseDelta, &motion);
    EXPECT_EQ(world->mouseDelta, 25);
    EXPECT_EQ(g_pause->shown, 0);
}

TEST_F(LevelInput, ALetterStoredInEitherCaseMatchesItsKey)
{
    // The key button stores the key-down code: 'W' for the W key, which is
    // also what the W key sends going down, with or without Shift.
    g_settings.fireKey = 'W';
    Send(InputKeyDown, 'W');
    EXPECT_EQ(world->dropRequested, 1);
    world->dropRequested = 0;
    Send(InputKeyDown, 'V');
    Send(InputKeyDown, 'W' + 256);
    EXPECT_EQ(world->dropRequested, 0);
    // A hand-edited store may hold the lower case, for any of the keys.
    g_settings.fireKey = 'q';
    g_settings.leftKey = 'a';
    Send(InputKeyDown, 'Q');
    Send(InputKeyDown, 'A');
    EXPECT_EQ(world->dropRequested, 1);
    EXPECT_EQ(world->leftHeld, 1);
    Send(InputKeyUp, 'A');
    EXPECT_EQ(world->leftHeld, 0);
    g_settings.fireKey = ' ';
    g_settings.leftKey = 314;
}

TEST_F(LevelInput, EscapeOnReleaseAndCloseRequestsPauseWithSoundOffMeanwhile)
{
    SoundThreadStub sound;
    // Sound goes off before the menu shows.
    g_pause->whileShown = [&] {
        EXPECT_EQ(sound.Messages(2 * g_pause->shown - 1).back(), UINT(WM_SOUND_DISABLE));
    };
    Send(InputKeyDown, 27);
    EXPECT_EQ(g_pause->shown, 0);
    Send(InputKeyUp, 27);
    EXPECT_EQ(g_pause->shown, 1);
    EXPECT_EQ(world->state, kWorldPlay); // Continue
    EXPECT_EQ(sound.Messages(2), (std::vector<UINT>{WM_SOUND_DISABLE, WM_SOUND_ENABLE}));

    g_pause->answer = wxID_CANCEL;
    CBubbleWorld::OnInput(world, InputClose, nullptr);
    EXPECT_EQ(g_pause->shown, 2);
    EXPECT_EQ(world->state, kWorldAborted);
    EXPECT_FALSE(IsQuitRequested());
    EXPECT_EQ(sound.Messages(4), (std::vector<UINT>{WM_SOUND_DISABLE, WM_SOUND_ENABLE,
                                                   WM_SOUND_DISABLE, WM_SOUND_ENABLE}));
}

TEST_F(LevelInput, ThePauseDropsHeldKeysAndOpensNoSecondMenu)
{
    Send(InputKeyDown, 314);
    Send(InputKeyDown, 316);
    world->mouseDelta = 30;
    // The keys come up while the menu has the keyboard, and the window
    // behind it is asked to close.
    g_pause->whileShown = [this] { CBubbleWorld::OnInput(world, InputClose, nullptr); };
    Send(InputKeyDown, 27);
    Send(InputKeyUp, 27);
    EXPECT_EQ(g_pause->shown, 1);
    EXPECT_EQ(world->leftHeld, 0);
    EXPECT_EQ(world->rightHeld, 0);
    EXPECT_EQ(world->mouseDelta, 0);
    // The release of an Escape pressed in the menu is no press of the level.
    Send(InputKeyUp, 27);
    EXPECT_EQ(g_pause->shown, 1);
    // No sound thread: nothing is posted and the pause still works.
    g_pause->whileShown = nullptr;
    g_pause->answer = wxID_CANCEL;
    Send(InputKeyDown, 27);
    Send(InputKeyUp, 27);
    EXPECT_EQ(world->state, kWorldAborted);
    // The level has ended, its handler still current until its loop sees
    // that: nothing pauses it again.
    Send(InputKeyDown, 27);
    Send(InputKeyUp, 27);
    CBubbleWorld::OnInput(world, InputClose, nullptr);
    EXPECT_EQ(g_pause->shown, 2);
}

// --- The screen loop ------------------------------------------------------

// A screen that records the order of its steps; input from the mouse poll
// shows where the loop polls.
struct Recorder
{
    std::vector<std::string> log;
    int updatesLeft = 1000;
    bool done = false;
    bool endOnPoll = false;
    double firstSeconds = -1;
    uint32_t recordedAtDraw = 0;
    uint32_t clockAtDraw = 0;
    int resumed = 0;

    static void Input(void* context, int32_t code, void*)
    {
        auto* r = static_cast<Recorder*>(context);
        if (code == InputMousePos || code == InputMouseDelta) {
            r->log.push_back("poll");
            r->done = r->done || r->endOnPoll;
        }
    }

    static bool Ended(void* context) { return static_cast<Recorder*>(context)->done; }

    static void Update(void* context, double seconds)
    {
        auto* r = static_cast<Recorder*>(context);
        if (r->firstSeconds < 0)
            r->firstSeconds = seconds;
        r->log.push_back("update");
        r->done = --r->updatesLeft <= 0;
    }

    static void Draw(void* context)
    {
        auto* r = static_cast<Recorder*>(context);
        r->log.push_back("draw");
        r->recordedAtDraw = g_graphics->lastFrameTime;
        r->clockAtDraw = FrameClockNow();
    }

    static void Resumed(void* context) { ++static_cast<Recorder*>(context)->resumed; }

    ScreenSteps Steps()
    {
        return ScreenSteps{this, Input, this, Ended, Update, Draw, Resumed};
    }
};

using ScreenLoop = Screens;

TEST_F(ScreenLoop, InputFirstLeavesOnInputWithoutAnotherFrame)
{
    Recorder r;
    r.updatesLeft = 2;
    g_graphics->frameStep = 250; // the last frame presented before the screen
    size_t handlers = g_inputHandlers.size();
    RunScreenLoop(kInputFirst, r.Steps());
    EXPECT_EQ(r.log, (std::vector<std::string>{"poll", "update", "draw", "poll", "update", "draw"}));
    EXPECT_EQ(r.firstSeconds, 0.25);
    EXPECT_EQ(g_inputHandlers.size(), handlers);

    Recorder byInput;
    byInput.endOnPoll = true;
    RunScreenLoop(kInputFirst, byInput.Steps());
    EXPECT_EQ(byInput.log, (std::vector<std::string>{"poll"}));
}

TEST_F(ScreenLoop, UpdateFirstShowsTheFrameOfTheEndingUpdateAndPollsOnceMore)
{
    Recorder r;
    r.updatesLeft = 2;
    RunScreenLoop(kUpdateFirst, r.Steps());
    EXPECT_EQ(r.log, (std::vector<std::string>{"update", "draw", "poll", "update", "draw", "poll"}));

    Recorder over;
    over.done = true; // ended before the first pass: nothing runs
    size_t handlers = g_inputHandlers.size();
    RunScreenLoop(kUpdateFirst, over.Steps());
    RunScreenLoop(kInputFirst, over.Steps());
    EXPECT_TRUE(over.log.empty());
    EXPECT_EQ(g_inputHandlers.size(), handlers);
}

TEST_F(ScreenLoop, AnErrorThrownByAStepTakesTheScreensHandlerWithIt)
{
    Recorder r;
    ScreenSteps steps = r.Steps();
    steps.update = [](void*, double) { throw "{3C1F6A2E-8B47-4D0A-9E51-7A2B6C9D0E13}"; };
    size_t handlers = g_inputHandlers.size();
    EXPECT_THROW(RunScreenLoop(kInputFirst, steps), const char*);
    EXPECT_EQ(g_inputHandlers.size(), handlers);
    EXPECT_NE(g_graphics->inputCallback, Recorder::Input);
}

TEST_F(ScreenLoop, FrameTimeIsResetJustBeforeDrawing)
{
    Recorder r;
    r.updatesLeft = 3;
    RunScreenLoop(kInputFirst, r.Steps());
    EXPECT_LE(r.clockAtDraw - r.recordedAtDraw, 2u);

    // Left alone only when it lies 0 to 5 ms ahead of the reading.
    const struct
    {
        uint32_t recorded, now, after;
    } cases[] = {{1005, 1000, 1005}, {1000, 1000, 1000}, {1006, 1000, 1000}, {999, 1000, 1000},
                 {3, 0xFFFFFFFEu, 3}, {10, 0xFFFFFFFEu, 0xFFFFFFFEu}};
    uint32_t saved = g_graphics->lastFrameTime;
    for (const auto& c : cases) {
        g_graphics->lastFrameTime = c.recorded;
        ResetFrameTime(c.now);
        EXPECT_EQ(g_graphics->lastFrameTime, c.after) << c.recorded << " at " << c.now;
    }
    g_graphics->lastFrameTime = saved;
}

double CpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return use.ru_utime.tv_sec + use.ru_stime.tv_sec
        + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Runs the screen while `after` fires once 600 ms in; returns the CPU share
// the process used meanwhile.
double CpuShareWhile(ScreenOrder order, Recorder& r, const std::function<void()>& after)
{
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { after(); });
    timer.StartOnce(600);
    double cpu = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    RunScreenLoop(order, r.Steps());
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (CpuSeconds() - cpu) / wall;
}

TEST_F(ScreenLoop, InTheBackgroundTheLoopSleepsAndResumesWithoutStaleInput)
{
    for (ScreenOrder order : {kInputFirst, kUpdateFirst}) {
        Recorder r;
        r.updatesLeft = 1;
        g_graphics->active = 0;
        int32_t captures = g_graphics->captureCount;
        g_graphics->captureCount = 1; // captured: the pointer returns to the middle
        SetCursorPos(5, 5);
        double share = CpuShareWhile(order, r, [] { g_graphics->active = 1; });
        EXPECT_LT(share, 0.5) << "the inactive wait spins";
        EXPECT_EQ(r.resumed, 1);
        POINT p{};
        GetCursorPos(&p);
        EXPECT_EQ(p.x, g_graphics->stageX + g_graphics->width / 2);
        EXPECT_EQ(p.y, g_graphics->stageY + g_graphics->height / 2);
        g_graphics->captureCount = captures;
        EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "update"), 1);
    }
}

TEST_F(ScreenLoop, AStageWithoutItsContextIsNotDrawnAndTheLoopSleeps)
{
    for (ScreenOrder order : {kInputFirst, kUpdateFirst}) {
        Recorder r;
        g_graphics->frame->Show(false);
        PumpEvents(50);
        ASSERT_FALSE(g_graphics->stage->MakeCurrent());
        double share = CpuShareWhile(order, r, [&r] { r.done = true; });
        g_graphics->frame->Show(true);
        PumpEvents(50);
        EXPECT_LT(share, 0.5) << "the loop spins without a context";
        EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "update"), 0);
        EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "draw"), 0);
    }
}

// --- A whole level ----------------------------------------------------------

CBubbleWorld* RunningWorld()
{
    if (!g_graphics || g_graphics->inputCallback != CBubbleWorld::OnInput)
        return nullptr;
    return static_cast<CBubbleWorld*>(g_graphics->inputContext);
}

// Runs one step at a time from inside the level's loop: each waits for its
// condition, then acts. A script that stalls aborts the level.
class Script : public wxTimer
{
public:
    struct Step
    {
        std::string what;
        std::function<bool(CBubbleWorld&)> ready;
        std::function<void(CBubbleWorld&)> act;
        int timeoutMs;
    };

    std::vector<Step> steps;
    size_t next = 0;
    std::string stalled;

    void Add(std::string what, std::function<bool(CBubbleWorld&)> ready,
             std::function<void(CBubbleWorld&)> act, int timeoutMs = 3000)
    {
        steps.push_back(Step{std::move(what), std::move(ready), std::move(act), timeoutMs});
    }

    void Notify() override
    {
        CBubbleWorld* world = RunningWorld();
        if (!world || next >= steps.size())
            return;
        Step& step = steps[next];
        auto now = std::chrono::steady_clock::now();
        if (next == 0 && waitingSince == std::chrono::steady_clock::time_point())
            waitingSince = now;
        if (step.ready(*world)) {
            ++next;
            waitingSince = now;
            step.act(*world);
        } else if (now - waitingSince > std::chrono::milliseconds(step.timeoutMs)) {
            stalled = step.what;
            next = steps.size();
            g_pause->answer = wxID_CANCEL;
            SendInput(InputClose, nullptr);
        }
    }

private:
    std::chrono::steady_clock::time_point waitingSince{};
};

bool Always(CBubbleWorld&)
{
    return true;
}

std::function<bool(CBubbleWorld&)> After(int ms)
{
    auto since = std::make_shared<std::chrono::steady_clock::time_point>();
    return [since, ms](CBubbleWorld&) {
        auto now = std::chrono::steady_clock::now();
        if (*since == std::chrono::steady_clock::time_point())
            *since = now;
        return now - *since >= std::chrono::milliseconds(ms);
    };
}

// The next bubble is in the dropper, ready to fire.
bool Loaded(CBubbleWorld& w)
{
    return w.queueCount > 0 && w.queue[0].progress >= 0.99;
}

struct LevelPlay : Screens
{
    PlaySession session{};
    Script script;
    wxTimer comeBack;

    LevelPlay()
    {
        g_seedCounter = 4242;
        session.speed = 1;
    }

    // Holds the key `right` for 0.4 s, then `left`: the dropper turns
    // clockwise, then back. `angle` must outlive the script.
    void AddTurns(const std::string& right, const std::string& left, double& angle)
    {
        script.Add("hold " + right, Always, [&angle, right](CBubbleWorld& w) {
            angle = w.angle;
            Xdotool("keydown " + right);
        });
        script.Add("hold " + left, After(400), [&angle, right, left](CBubbleWorld& w) {
            Xdotool("keyup " + right);
            EXPECT_GT(w.angle, angle + 0.01) << right << " turns clockwise";
            angle = w.angle;
            Xdotool("keydown " + left);
        });
        script.Add("release " + left, After(400), [&angle, left](CBubbleWorld& w) {
            Xdotool("keyup " + left);
            EXPECT_LT(w.angle, angle - 0.01) << left << " turns back";
        });
    }

    bool Play()
    {
        script.Start(20);
        bool won = RunLevel(&session);
        script.Stop();
        EXPECT_EQ(script.stalled, "") << "the script stalled";
        return won;
    }
};

TEST_F(LevelPlay, RealKeysAndMouseTurnTheDropperTheDropKeyFiresAndEscapeAborts)
{
    SoundThreadStub sound;
    double angle = 0, clockAtPause = -1;
    uint32_t supply = 0;
    int32_t captures = g_graphics->captureCount;
    size_t handlers = g_inputHandlers.size();
    g_pause->answer = wxID_CANCEL;
    g_pause->whileShown = [&] { clockAtPause = RunningWorld()->clock; };

    AddTurns("Right", "Left", angle);
    script.Add("settle", After(100), [&](CBubbleWorld& w) {
        EXPECT_EQ(w.leftHeld + w.rightHeld, 0);
        angle = w.angle;
        Xdotool("mousemove_relative -- 120 0");
    });
    script.Add("mouse turns", [&](CBubbleWorld& w) { return w.angle > angle + 0.003; },
               [](CBubbleWorld&) {});
    script.Add("loaded", Loaded,
               [&](CBubbleWorld& w) {
                   supply = w.supply;
                   Xdotool("key space");
               },
               8000);
    script.Add("fired", [&](CBubbleWorld& w) { return w.supply == supply - 1; },
               [](CBubbleWorld& w) {
                   EXPECT_GE(w.freeCount, 1u);
                   Xdotool("key Escape");
               });
    EXPECT_FALSE(Play());
    EXPECT_EQ(g_pause->shown, 1);
    EXPECT_EQ(session.levelTime, int32_t(clockAtPause));
    EXPECT_GT(clockAtPause, 1.0);
    EXPECT_EQ(g_inputHandlers.size(), handlers);
    EXPECT_EQ(g_graphics->captureCount, captures);
    std::vector<UINT> messages = sound.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), UINT(WM_SOUND_PLAY)), messages.end())
        << "no fire sound";
    EXPECT_EQ(messages.back(), UINT(WM_SOUND_ENABLE));
}

TEST_F(LevelPlay, KeysWithoutACharacterOfTheirOwnTurnAndDropAndAHeldDropKeyRepeats)
{
    // As the key button stores them: Num Pad Enter types a plain Enter,
    // Shift types nothing.
    g_settings.fireKey = 370;
    g_settings.leftKey = 306;
    g_settings.rightKey = 344;
    double angle = 0;
    uint32_t supply = 0;
    AddTurns("F5", "Shift_L", angle);
    script.Add("loaded", Loaded, [&](CBubbleWorld& w) {
        supply = w.supply;
        Xdotool("keydown KP_Enter");
    }, 8000);
    script.Add("fired", [&](CBubbleWorld& w) { return w.supply == supply - 1; }, [](CBubbleWorld&) {});
    // Still held: the next bubble drops once it is in.
    script.Add("fired again", [&](CBubbleWorld& w) { return w.supply == supply - 2; },
               [&](CBubbleWorld& w) {
                   Xdotool("keyup KP_Enter");
                   // Shift as the drop key: the keyboard repeats no key-down for it.
                   g_settings.fireKey = 306;
                   g_settings.leftKey = 314;
                   supply = w.supply;
                   Xdotool("keydown Shift_L");
               },
               8000);
    script.Add("Shift fired", [&](CBubbleWorld& w) { return w.supply == supply - 1; }, [](CBubbleWorld&) {});
    script.Add("Shift held fired again", [&](CBubbleWorld& w) { return w.supply == supply - 2; },
               [](CBubbleWorld&) {
                   Xdotool("keyup Shift_L");
                   g_pause->answer = wxID_CANCEL;
                   SendInput(InputClose, nullptr);
               },
               8000);
    EXPECT_FALSE(Play());
    g_settings.fireKey = ' ';
    g_settings.leftKey = 314;
    g_settings.rightKey = 316;
}

TEST_F(LevelPlay, TheEscapeThatOpensThePauseIsNotSeenAgainWhenItCloses)
{
    int pausesAfterEnter = -1;
    // The menu has the keyboard: a real Enter closes it.
    g_pause->answer = 0;
    g_pause->whileShown = [] { Xdotool("key Return"); };
    script.Add("pause", After(300), [](CBubbleWorld&) { Xdotool("key Escape"); });
    script.Add("closed", After(800), [&](CBubbleWorld&) {
        pausesAfterEnter = g_pause->shown;
        g_pause->answer = wxID_CANCEL;
        SendInput(InputClose, nullptr);
    });
    EXPECT_FALSE(Play());
    EXPECT_EQ(pausesAfterEnter, 1) << "the release of Escape came twice";
}

TEST_F(LevelPlay, AnEscapeReleasedWhosePressTheLevelDidNotSeeOpensNoPause)
{
    // Held down before the level starts, as the Escape that closed a menu
    // or left a screen is; no auto-repeat brings the level a press of it.
    ASSERT_EQ(std::system("xset r off"), 0);
    Xdotool("keydown Escape");
    PumpEvents(100);
    int pausesAfterRelease = -1;
    script.Add("release", After(200), [](CBubbleWorld&) { Xdotool("keyup Escape"); });
    script.Add("played on", After(500), [&](CBubbleWorld&) {
        pausesAfterRelease = g_pause->shown;
        g_pause->answer = wxID_CANCEL;
        SendInput(InputClose, nullptr);
    });
    EXPECT_FALSE(Play());
    std::system("xset r on");
    EXPECT_EQ(pausesAfterRelease, 0) << "a release without its press paused the level";
}

// The drop key, held past the keyboard's repeat delay as the level is won,
// comes up on the celebration: that release was pressed in the level and
// ends nothing; a press made on the celebration ends it.
TEST_F(LevelPlay, TheDropKeyHeldAsTheLevelIsWonEndsTheCelebrationOnlyWhenPressedThere)
{
    SoundThreadStub sound;
    uint32_t supply = 0;
    script.Add("loaded", Loaded,
               [&](CBubbleWorld& w) {
                   supply = w.supply;
                   Xdotool("keydown space");
               },
               8000);
    script.Add("fired", [&](CBubbleWorld& w) { return w.supply == supply - 1; }, [](CBubbleWorld&) {});
    script.Add("held", After(800), [](CBubbleWorld& w) { w.state = kWorldWon; });
    ASSERT_TRUE(Play());

    double releasedAt = -1;
    bool pressedThere = false;
    wxTimer player;
    player.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (g_graphics->inputCallback != CLevelCompleteScreen::OnInput)
            return;
        auto& screen = *static_cast<CLevelCompleteScreen*>(g_graphics->inputContext);
        if (releasedAt < 0) {
            releasedAt = screen.clock;
            Xdotool("keyup space");
        } else if (!pressedThere && screen.clock > releasedAt + 1) {
            pressedThere = true;
            Xdotool("key space");
        } else if (screen.clock > releasedAt + 20) {
            ADD_FAILURE() << "a press on the celebration did not end it";
            SendInput(InputClose, nullptr);
        }
    });
    player.Start(15);
    RunLevelCompleteScreen(&session);
    player.Stop();
    EXPECT_TRUE(pressedThere) << "the release of the key held from the level ended the celebration";
}

TEST_F(LevelPlay, TimeInThePauseMenuAndInTheBackgroundDoesNotCount)
{
    double before = 0;
    script.Add("play a while", After(500), [&](CBubbleWorld& w) {
        before = w.clock;
        g_pause->whileShown = [] { wxMilliSleep(1500); };
        SendInput(InputClose, nullptr); // Continue after a second and a half
    });
    script.Add("continue", After(300), [&](CBubbleWorld& w) {
        EXPECT_LT(w.clock - before, 0.6) << "the menu's time entered the level";
        EXPECT_EQ(w.state, kWorldPlay);
        int32_t key = 316;
        SendInput(InputKeyDown, &key);
        g_graphics->active = 0; // the release goes to another program
        comeBack.Bind(wxEVT_TIMER, [](wxTimerEvent&) { g_graphics->active = 1; });
        comeBack.StartOnce(300);
    });
    script.Add("back", [](CBubbleWorld& w) { return w.rightHeld == 0; }, [](CBubbleWorld&) {
        g_pause->whileShown = nullptr;
        g_pause->answer = wxID_CANCEL;
        SendInput(InputClose, nullptr);
    });
    EXPECT_FALSE(Play());
    EXPECT_EQ(g_pause->shown, 2);
}

size_t AllocatedBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

TEST_F(LevelPlay, ALevelReleasesHandlerBroadPhaseAndAssetsInOrderAndLeavesNothing)
{
    int32_t captures = g_graphics->captureCount;
    g_pause->answer = wxID_CANCEL;
    size_t allocated[5] = {};
    for (size_t& bytes : allocated) {
        g_release = ReleaseWatch{};
        script.steps.clear();
        script.next = 0;
        script.Add("abort", After(200), [](CBubbleWorld& w) {
            g_release.world = &w;
            SendInput(InputClose, nullptr);
        });
        EXPECT_FALSE(Play());
        bytes = AllocatedBytes();
        EXPECT_TRUE(g_release.sawTextures);
        EXPECT_TRUE(g_release.handlerWasPopped);
        EXPECT_TRUE(g_release.broadPhaseWasGone);
        EXPECT_EQ(g_release.capturesAtTextures, captures + 1) << "the capture ends last";
        EXPECT_EQ(g_graphics->captureCount, captures);
        g_release.world = nullptr;
    }
    // A level holds megabytes (its broad phase alone 16 MiB, its pictures
    // 1.5 MiB): none of it stays. The toolkit's own use wanders by about a
    // megabyte from one menu to the next, without growing.
    EXPECT_LT(double(allocated[4]) - double(allocated[1]), 2 * 1024 * 1024.0);
}

} // namespace
