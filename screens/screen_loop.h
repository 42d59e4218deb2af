// Every game screen runs a frame loop of its own on the GUI thread: there
// are no timers and no idle work. The loop is written once here; a screen
// gives its steps and the order in which a pass runs them.
#pragma once

#include <cstdint>

#include "shell/input.h"

enum ScreenOrder
{
    // Yield, wait while inactive, poll the mouse, end?, update, draw, present,
    // end?: input that ends the screen leaves without another frame.
    kInputFirst,
    // Update, draw, present, yield, wait while inactive, poll the mouse, end?:
    // an update that ends the screen still shows its frame.
    kUpdateFirst,
};

// A screen's steps; each receives the screen's record as its context.
struct ScreenSteps
{
    void* context;
    InputCallback onInput;
    void* inputContext; // usually the context itself
    bool (*ended)(void* context);
    void (*update)(void* context, double seconds);
    void (*draw)(void* context);
    // May be null. Called when the game comes back to the front after a
    // wait: keys released meanwhile went to another program.
    void (*resumed)(void* context);
};

// Pushes the screen's input handler, runs passes until the screen has ended
// (maybe none), and pops the handler again. Needs g_graphics.
void RunScreenLoop(ScreenOrder order, const ScreenSteps& steps);

// Measures the next frame step from `now`, unless the recorded frame time
// already lies 0 to 5 ms ahead of it: time spent in dispatch, menus and
// waits never enters a step.
void ResetFrameTime(uint32_t now);
