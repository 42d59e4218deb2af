// Drives the game's screens from inside their own loops, as a player would,
// for the display tests: a timer runs each step once its screen is current
// and its condition holds.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <wx/timer.h>

#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/input.h"

// One step at a time; a step that waits more than 5 seconds closes the
// screen and is named in `stalled`.
class Script : public wxTimer
{
public:
    using Check = std::function<bool()>;
    using Act = std::function<void()>;

    explicit Script(InputCallback screen) : screen(screen) {}

    void Add(InputCallback on, std::string what, Check ready, Act act)
    {
        steps.push_back(Step{on, std::move(what), std::move(ready), std::move(act)});
    }

    void Add(std::string what, Check ready, Act act)
    {
        Add(screen, std::move(what), std::move(ready), std::move(act));
    }

    std::string stalled;

    void Notify() override
    {
        if (next >= steps.size() || !g_graphics->inputCallback)
            return;
        auto now = std::chrono::steady_clock::now();
        if (since == std::chrono::steady_clock::time_point())
            since = now;
        if (g_graphics->inputCallback == steps[next].screen && steps[next].ready()) {
            since = now;
            steps[next++].act();
        } else if (now - since > std::chrono::seconds(5)) {
            stalled = steps[next].what;
            next = steps.size();
            SendInput(InputClose, nullptr);
        }
    }

private:
    struct Step
    {
        InputCallback screen;
        std::string what;
        Check ready;
        Act act;
    };
    InputCallback screen;
    std::vector<Step> steps;
    size_t next = 0;
    std::chrono::steady_clock::time_point since{};
};

inline void Key(int32_t code, int32_t key)
{
    SendInput(code, &key);
}

inline void Press(int32_t key)
{
    Key(InputKeyDown, key);
    Key(InputChar, key);
    Key(InputKeyUp, key);
}

template <class Screen>
Screen& Running()
{
    return *static_cast<Screen*>(g_graphics->inputContext);
}

// True once `frames` frames have been presented since it first answered false.
inline bool After(int frames)
{
    static uint32_t start = 0;
    if (start == 0)
        start = g_graphics->frameCount;
    if (g_graphics->frameCount - start < uint32_t(frames))
        return false;
    start = 0;
    return true;
}
