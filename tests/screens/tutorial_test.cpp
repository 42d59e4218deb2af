// The tutorial's script and its run in the screen loop, on a game window
// under Xvfb: the plate needs the toolkit, its texture a GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include <GL/gl.h>
#include <wx/timer.h>

#include "screens/tutorial.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/input.h"
#include "shell/settings.h"
#include "shell/textures.h"
#include "world/play_session.h"
#include "world/world_assets.h"
#include "tests/screens/screen_test_window.h"

namespace {

const int32_t kEscape = 27;
const int32_t kEnter = 13;
const int32_t kNumpadEnter = 370;
const int32_t kRightKey = 316;
const double kAimAngle = 0.08888888888888889;
const double kAimToleranceSq = 3.08641975308642e-05;

void UseDefaultKeys()
{
    g_settings.fireKey = ' ';
    g_settings.leftKey = 314;
    g_settings.rightKey = kRightKey;
}

// A tutorial record as the run makes it, without the loop: the script and
// the plate can be driven one pass at a time.
struct ScriptedTutorial
{
    std::unique_ptr<CTutorial> t{new CTutorial()};
    CRandomGenerator rng;

    ScriptedTutorial()
    {
        UseDefaultKeys();
        g_graphics->stage->MakeCurrent();
        SeedTutorialGenerator(rng);
        PlaySession session{};
        t->world.BuildLevel(rng, session);
        t->world.distance = 0.1885827471101601;
        t->world.state = kWorldTutorial;
    }

    ~ScriptedTutorial()
    {
        t->step = kTutorialSteps + 1;
        t->LoadStepText();
        delete t->world.broadPhase;
    }

    // One pass of the loop's update.
    void Pass(double dt = 1.0 / 60)
    {
        t->UpdateStep();
        if (t->physicsRunning)
            t->world.Step(rng, dt);
        t->confirmReleased = 0;
        t->mouseReleased = 0;
    }

    void GoTo(uint32_t step)
    {
        t->step = step;
        t->physicsRunning = 1;
        t->LoadStepText();
    }
};

void Send(int32_t code, int32_t key = 0)
{
    g_graphics->inputCallback(g_graphics->inputContext, code, &key);
}

// A key pressed and released: a release alone does not count.
void Tap(int32_t key)
{
    Send(InputKeyDown, key);
    Send(InputKeyUp, key);
}

void SendDelta(double dx)
{
    InputDelta delta{dx, 0};
    g_graphics->inputCallback(g_graphics->inputContext, InputMouseDelta, &delta);
}

// Plays the running tutorial between its frames: every tick the action sees
// the tutorial and may send input; it returns false once it has sent the
// input that ends the run. After ten seconds the script gives up with Escape.
class TutorialPlayer : public wxTimer
{
public:
    explicit TutorialPlayer(std::function<bool(CTutorial&, int)> act) : m_act(std::move(act)) {}

    void Notify() override
    {
        if (!g_graphics->active || g_graphics->inputCallback != CTutorial::OnInput || m_finished)
            return;
        auto* t = static_cast<CTutorial*>(g_graphics->inputContext);
        if (t->step == 0)
            return; // input before the first pass would be cleared unseen
        Watch(*t);
        ++m_tick;
        if (m_tick > 1000)
        {
            ADD_FAILURE() << "the script took too long";
            Tap(kEscape);
            m_finished = true;
            return;
        }
        m_finished = !m_act(*t, m_tick);
    }

    // The GL names that the run holds now: its plate and its world's pictures.
    std::vector<GLuint> textures;

private:
    std::function<bool(CTutorial&, int)> m_act;
    int m_tick = 0;
    bool m_finished = false;

    void Watch(const CTutorial& t)
    {
        textures.clear();
        const WorldAssets& a = AssetsOf(t.world);
        const TextureRecord* held[] = {t.plateTexture,        a.backgroundTexture,
                                       a.dispenserTexture,    a.digitsTexture,
                                       a.atlas.texture};
        for (const TextureRecord* r : held)
            if (r && r->valid)
                textures.push_back(r->name);
    }
};

// Runs the whole tutorial with the player's script; checks that everything
// the run held has been given back.
void RunWithPlayer(const std::function<bool(CTutorial&, int)>& act)
{
    UseDefaultKeys();
    size_t handlers = g_inputHandlers.size();
    TutorialPlayer player(act);
    player.Start(15);
    RunTutorial();
    player.Stop();
    EXPECT_EQ(g_inputHandlers.size(), handlers);
    EXPECT_EQ(g_graphics->captureCount, 0);
    EXPECT_EQ(g_graphics->hideCount, 0);
    ASSERT_GE(player.textures.size(), 2u) << "the plate and the world's pictures were there";
    g_graphics->stage->MakeCurrent();
    for (GLuint name : player.textures)
        EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " left behind";
}

} // namespace

TEST(TutorialRun, FirstStepFreezesTheWorldAndThrowsItsInputAway)
{
    double angle = 0;
    int confirmedAt = 0;
    RunWithPlayer([&](CTutorial& t, int tick) {
        if (tick == 1)
        {
            EXPECT_EQ(t.step, 1u);
            EXPECT_NE(t.plateTexture, nullptr);
            angle = t.world.angle;
            SendDelta(400);
            Send(InputLeftDown);
            Send(InputChar, ' ');
            Send(InputKeyDown, kRightKey);
            Send(InputKeyDown, kEnter); // a key going down does not confirm
            return true;
        }
        if (tick < 10)
        {
            EXPECT_EQ(t.step, 1u);
            EXPECT_EQ(t.world.clock, 0) << "frozen";
            EXPECT_EQ(t.world.angle, angle);
            EXPECT_EQ(t.world.liveCount, 55u) << "nothing dropped";
            return true;
        }
        if (tick == 10)
        {
            Send(InputKeyUp, kEnter);
            return true;
        }
        if (t.step == 1)
            return true; // the next pass has not run yet
        if (!confirmedAt)
        {
            confirmedAt = tick;
            EXPECT_EQ(t.step, 2u);
            EXPECT_EQ(t.physicsRunning, 1);
            EXPECT_EQ(t.showPointer, 1);
            EXPECT_EQ(t.world.rightHeld, 0);
            EXPECT_EQ(t.world.dropRequested, 0);
        }
        if (tick < confirmedAt + 10 || t.world.clock == 0)
        {
            EXPECT_EQ(t.world.angle, angle) << "the input of step 1 did not turn the dropper";
            EXPECT_EQ(t.world.liveCount, 55u);
            return true;
        }
        Tap(kEscape);
        return false;
    });
}

TEST(TutorialRun, ClickAndNumpadEnterConfirmToo)
{
    int sent = 0;
    RunWithPlayer([&](CTutorial& t, int) {
        if (sent == 0)
        {
            Send(InputLeftUp);
            sent = 1;
        }
        else if (sent == 1 && t.step == 2)
        {
            Tap(kNumpadEnter);
            sent = 2;
        }
        else if (sent == 2 && t.step == 3)
        {
            EXPECT_EQ(t.showMarker, 1);
            EXPECT_EQ(t.showPointer, 0);
            Send(InputClose);
            return false;
        }
        return true;
    });
}

// Stands in for another program taking the focus for a moment.
class Reactivation : public wxTimer
{
public:
    void Notify() override { g_graphics->active = 1; }
};

TEST(TutorialRun, KeysHeldWhenTheGameLostTheFocusAreLetGo)
{
    Reactivation reactivation;
    int phase = 0;
    double clockWhenLeft = 0;
    RunWithPlayer([&](CTutorial& t, int) {
        if (phase == 0)
        {
            Tap(kEnter);
            phase = 1;
        }
        else if (phase == 1 && t.physicsRunning)
        {
            Send(InputKeyDown, 314);
            EXPECT_EQ(t.world.leftHeld, 1);
            // Its release goes to the other program.
            g_graphics->active = 0;
            reactivation.StartOnce(50);
            clockWhenLeft = t.world.clock;
            phase = 2;
        }
        else if (phase == 2 && t.world.clock > clockWhenLeft)
        {
            EXPECT_EQ(t.world.leftHeld, 0);
            Tap(kEscape);
            return false;
        }
        return true;
    });
}

TEST(TutorialRun, EscapeOnReleaseEndsEveryStep)
{
    for (uint32_t step = 1; step <= kTutorialSteps; ++step)
    {
        SCOPED_TRACE(step);
        RunWithPlayer([&](CTutorial& t, int tick) {
            if (tick == 1)
            {
                t.step = step;
                t.LoadStepText();
                Send(InputKeyDown, kEscape);
                return true;
            }
            if (tick < 4)
            {
                EXPECT_EQ(t.done, 0) << "not while Escape is held";
                return true;
            }
            Send(InputKeyUp, kEscape);
            return false;
        });
    }
}

TEST(TutorialRun, AKeypadDropKeyDropsWithRealKeys)
{
    bool pressed = false;
    RunWithPlayer([&](CTutorial& t, int tick) {
        if (tick == 1)
        {
            // Num Pad 5 as the key button stores it; it types a plain '5'.
            g_settings.fireKey = 329;
            t.step = 4;
            t.physicsRunning = 1;
            t.LoadStepText();
            t.world.queue[t.world.queueCount++] = QueuedBubble{0, 0, 3};
            return true;
        }
        if (!pressed && t.world.queue[0].progress >= 1)
        {
            EXPECT_EQ(std::system("xdotool key KP_5"), 0);
            pressed = true;
            return true;
        }
        if (t.step < 5)
            return true;
        EXPECT_TRUE(pressed);
        Tap(kEscape);
        return false;
    });
}

TEST(TutorialScript, AimWithinTwoDegreesOfTheMark)
{
    ScriptedTutorial s;
    s.GoTo(3);
    // The largest angle whose squared miss is still within the tolerance,
    // and the next one up.
    double pass = kAimAngle + std::sqrt(kAimToleranceSq);
    while ((pass - kAimAngle) * (pass - kAimAngle) > kAimToleranceSq)
        pass = std::nextafter(pass, 0.0);
    while (true)
    {
        double next = std::nextafter(pass, 1.0);
        if ((next - kAimAngle) * (next - kAimAngle) > kAimToleranceSq)
            break;
        pass = next;
    }
    double fail = std::nextafter(pass, 1.0);

    s.t->world.angle = fail;
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 3u);
    s.t->world.angle = kAimAngle + 1;
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 3u) << "a whole turn further does not pass";
    s.t->world.angle = pass;
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 4u);
    EXPECT_EQ(s.t->showMarker, 0);
    ASSERT_EQ(s.t->world.queueCount, 1u);
    EXPECT_EQ(s.t->world.queue[0].colour, 3);
    EXPECT_EQ(s.t->world.queue[0].progress, 0);
    EXPECT_EQ(s.t->world.queue[0].speed, 0);
}

TEST(TutorialScript, AimFromBelowPassesToo)
{
    ScriptedTutorial s;
    s.GoTo(3);
    s.t->world.angle = kAimAngle - 0.005;
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 4u);
}

TEST(TutorialScript, StepFourEndsOnceTheBlueBubbleFlies)
{
    ScriptedTutorial s;
    s.GoTo(3);
    s.t->world.angle = kAimAngle;
    s.Pass();
    ASSERT_EQ(s.t->step, 4u);
    // It slides into the dropper first; a drop before that does nothing.
    s.t->world.dropRequested = 1;
    s.Pass();
    EXPECT_EQ(s.t->step, 4u);
    for (int i = 0; i < 600 && s.t->world.queue[0].progress < 1; ++i)
        s.Pass();
    s.t->world.dropRequested = 1;
    s.Pass();
    EXPECT_EQ(s.t->world.freeCount, 1u);
    s.Pass();
    EXPECT_EQ(s.t->step, 5u);
    EXPECT_EQ(s.t->showMarker, 1);
    EXPECT_EQ(s.t->targetX, 0.12037747500000001);
    EXPECT_EQ(s.t->targetY, 0.0695);
    EXPECT_EQ(s.t->world.queueCount, 0u);
    s.Pass();
    EXPECT_EQ(s.t->world.queueCount, 1u) << "topped up with the next blue one";
}

TEST(TutorialScript, QueueIsToppedUpInStepsFiveAndSix)
{
    for (uint32_t step : {5u, 6u})
    {
        ScriptedTutorial s;
        s.GoTo(step);
        s.t->UpdateStep();
        ASSERT_EQ(s.t->world.queueCount, 1u);
        EXPECT_EQ(s.t->world.queue[0].colour, 3);
        s.t->UpdateStep();
        EXPECT_EQ(s.t->world.queueCount, 1u) << "one at a time";
    }
    ScriptedTutorial other;
    other.GoTo(7);
    other.t->UpdateStep();
    EXPECT_EQ(other.t->world.queueCount, 0u);
}

TEST(TutorialScript, MarkedStepsWaitWhileABubbleIsWithinReach)
{
    ScriptedTutorial s;
    s.GoTo(5);
    s.t->targetX = 0.12037747500000001;
    s.t->targetY = 0.0695;
    EXPECT_TRUE(s.t->TargetStillThere());
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 5u) << "the blue bubble is still there";

    // Any bubble, stuck or moving, within 0.01 keeps it.
    CBubble* b = s.t->world.live[0];
    s.t->targetX = b->x + 0.0099;
    s.t->targetY = b->y;
    EXPECT_TRUE(s.t->TargetStillThere());
    s.t->targetX = 5;
    EXPECT_FALSE(s.t->TargetStillThere());
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 6u);
    EXPECT_EQ(s.t->targetY, -0.139);
    s.t->targetX = 5;
    s.t->UpdateStep();
    EXPECT_EQ(s.t->step, 7u);
    EXPECT_EQ(s.t->showPointer, 1);
    EXPECT_EQ(s.t->targetX, -0.06);
}

TEST(TutorialScript, LastConfirmEndsAndEveryStepHasItsPlate)
{
    ScriptedTutorial s;
    for (uint32_t step = 1; step <= kTutorialSteps; ++step)
    {
        s.GoTo(step);
        ASSERT_NE(s.t->plateImage, nullptr);
        EXPECT_EQ(s.t->plateImage->width, 512);
        ASSERT_NE(s.t->plateTexture, nullptr);
        EXPECT_EQ(s.t->plateTexture->valid, 1);
    }
    s.t->confirmReleased = 1;
    s.Pass();
    EXPECT_EQ(s.t->step, 9u);
    EXPECT_EQ(s.t->done, 1);
    EXPECT_EQ(s.t->plateTexture, nullptr) << "the last pass draws no plate";
    EXPECT_EQ(s.t->plateImage, nullptr);
}

TEST(TutorialScript, InputGoesToTheWorldAndTheScript)
{
    ScriptedTutorial s;
    CTutorial* t = s.t.get();
    int32_t key = ' ';
    CTutorial::OnInput(t, InputChar, &key);
    CTutorial::OnInput(t, InputKeyUp, &key);
    EXPECT_EQ(t->world.dropRequested, 0) << "the drop key acts when it goes down";
    CTutorial::OnInput(t, InputKeyDown, &key);
    EXPECT_EQ(t->world.dropRequested, 1);
    t->world.dropRequested = 0;
    InputPoint point{1, 2};
    CTutorial::OnInput(t, InputLeftDown, &point);
    EXPECT_EQ(t->world.dropRequested, 1);
    key = 314;
    CTutorial::OnInput(t, InputKeyDown, &key);
    EXPECT_EQ(t->world.leftHeld, 1);
    CTutorial::OnInput(t, InputKeyUp, &key);
    EXPECT_EQ(t->world.leftHeld, 0);
    InputDelta delta{3.5, 9};
    CTutorial::OnInput(t, InputMouseDelta, &delta);
    CTutorial::OnInput(t, InputMouseDelta, &delta);
    EXPECT_EQ(t->world.mouseDelta, 7);
    CTutorial::OnInput(t, InputMousePos, &point);
    // A release counts only after its press went down here.
    for (int32_t confirm : {kEnter, kEscape})
    {
        key = confirm;
        CTutorial::OnInput(t, InputKeyUp, &key);
    }
    EXPECT_EQ(t->confirmReleased, 0);
    EXPECT_EQ(t->done, 0);
    key = kEnter;
    CTutorial::OnInput(t, InputKeyDown, &key);
    CTutorial::OnInput(t, InputChar, &key);
    EXPECT_EQ(t->confirmReleased, 0);
    CTutorial::OnInput(t, InputKeyUp, &key);
    EXPECT_EQ(t->confirmReleased, 1);
    CTutorial::OnInput(t, InputLeftUp, &point);
    EXPECT_EQ(t->mouseReleased, 1);
    EXPECT_EQ(t->done, 0);
    CTutorial::OnInput(t, InputClose, nullptr);
    EXPECT_EQ(t->done, 1);
}

TEST(TutorialScript, ALetterAsTheDropKeyDropsTypedInEitherCase)
{
    ScriptedTutorial s;
    CTutorial* t = s.t.get();
    // The key button stores a letter as its key-down code, in upper case;
    // a hand-edited store may hold the lower case.
    for (int32_t stored : {'W', 'w'})
    {
        g_settings.fireKey = stored;
        int32_t key = 'V';
        CTutorial::OnInput(t, InputKeyDown, &key);
        EXPECT_EQ(t->world.dropRequested, 0);
        key = 'W'; // the W key going down, with or without Shift
        CTutorial::OnInput(t, InputKeyDown, &key);
        EXPECT_EQ(t->world.dropRequested, 1);
        t->world.dropRequested = 0;
    }
    UseDefaultKeys();
}
