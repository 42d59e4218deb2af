#include "screens/screen_loop.h"

#include <wx/app.h>
#include <wx/utils.h>

#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/mouse.h"

namespace {

const uint32_t kFrameTimeLead = 5; // ms

// Nothing is updated or drawn while the game is in the background; the loop
// only lets the toolkit run and sleeps, so an idle game costs no CPU.
void WaitWhileInactive(const ScreenSteps& steps)
{
    bool waited = false;
    while (!g_graphics->active) {
        wxYield();
        wxMilliSleep(1);
        waited = true;
    }
    if (!waited)
        return;
    // The pointer wandered over other programs: that is no motion of ours.
    if (g_graphics->captureCount > 0 && g_graphics->menuCount == 0)
        RecentreCursor(true);
    if (steps.resumed)
        steps.resumed(steps.context);
}

void DispatchInput(const ScreenSteps& steps)
{
    wxYield();
    WaitWhileInactive(steps);
    PollMouse();
}

double FrameSeconds()
{
    return g_graphics->frameStep / 1000.0;
}

bool Ended(const ScreenSteps& steps)
{
    return steps.ended(steps.context);
}

// A stage that is not on screen has no GL context to draw with: the pass
// sleeps instead of spinning on frames nobody sees.
bool StageIsDrawable()
{
    if (g_graphics->stage->MakeCurrent())
        return true;
    wxMilliSleep(1);
    return false;
}

void RunInputFirst(const ScreenSteps& steps)
{
    for (;;) {
        DispatchInput(steps);
        if (Ended(steps))
            return;
        ResetFrameTime(FrameClockNow());
        if (!StageIsDrawable())
            continue;
        steps.update(steps.context, FrameSeconds());
        steps.draw(steps.context);
        PresentFrame();
        if (Ended(steps))
            return;
    }
}

void RunUpdateFirst(const ScreenSteps& steps)
{
    for (;;) {
        // The context is made current before the update rather than after
        // it: a pass that cannot draw must not update on a stale step either.
        if (StageIsDrawable()) {
            steps.update(steps.context, FrameSeconds());
            ResetFrameTime(FrameClockNow());
            steps.draw(steps.context);
            PresentFrame();
        }
        DispatchInput(steps);
        if (Ended(steps))
            return;
    }
}

} // namespace

void ResetFrameTime(uint32_t now)
{
    if (g_graphics->lastFrameTime - now > kFrameTimeLead)
        g_graphics->lastFrameTime = now;
}

void RunScreenLoop(ScreenOrder order, const ScreenSteps& steps)
{
    PushInputHandler(steps.onInput, steps.inputContext);
    // An error thrown by a step must not leave a dangling handler behind.
    struct PopOnExit
    {
        ~PopOnExit() { PopInputHandler(); }
    } pop;
    if (!Ended(steps)) {
        if (order == kInputFirst)
            RunInputFirst(steps);
        else
            RunUpdateFirst(steps);
    }
}
