// The game window that the screen tests run in, made once per test program
// and laid over the test screen. The tests look at what the screens hold and
// give back, not at pixels, so the game's GL state is not needed.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "shell/graphics.h"
#include "tests/support/game_window_sandbox.h"

class ScreenTestWindow : public testing::Environment
{
public:
    void SetUp() override
    {
        m_window.reset(new GameWindowSandbox);
        g_graphics->stage->MakeCurrent();
    }

    void TearDown() override { m_window.reset(); }

private:
    std::unique_ptr<GameWindowSandbox> m_window;
};

inline testing::Environment* const g_screenTestWindow = testing::AddGlobalTestEnvironment(new ScreenTestWindow);
