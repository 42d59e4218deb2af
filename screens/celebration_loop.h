// The loop both celebration screens run: update first, so that the frame in
// which a screen ends is still shown, until the screen's done flag is set.
#pragma once

#include "screens/screen_loop.h"
#include "world/random_generator.h"

template <typename Screen>
void RunCelebrationLoop(Screen& screen, CRandomGenerator& rng)
{
    struct Run
    {
        Screen* screen;
        CRandomGenerator* rng;
    };
    Run run{&screen, &rng};
    ScreenSteps steps{};
    steps.context = &run;
    steps.onInput = Screen::OnInput;
    steps.inputContext = &screen;
    steps.ended = [](void* context) { return static_cast<Run*>(context)->screen->done != 0; };
    steps.update = [](void* context, double seconds) {
        auto* r = static_cast<Run*>(context);
        r->screen->Update(*r->rng, seconds);
    };
    steps.draw = [](void* context) { static_cast<Run*>(context)->screen->Draw(); };
    RunScreenLoop(kUpdateFirst, steps);
}

// Frees a screen's pictures once its loop is over, also when an error
// unwinds it.
template <typename Screen>
struct UnloadOnExit
{
    Screen& screen;
    ~UnloadOnExit() { screen.Unload(); }
};
