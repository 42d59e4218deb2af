// A level-completed screen's rain set up as the screen sets it up, without
// the pictures, for tests and benchmarks.
#pragma once

#include <cmath>
#include <memory>

#include "screens/level_complete_screen.h"

struct Rain
{
    std::unique_ptr<CLevelCompleteScreen> screen{new CLevelCompleteScreen()};
    CCollisionBroadPhase broadPhase{kMaxRainBubbles + 3 + kDomeCircleCount, 3};

    explicit Rain(int32_t width = 1280, int32_t height = 720, uint32_t colourCount = 5)
    {
        screen->broadPhase = &broadPhase;
        screen->colourCount = colourCount;
        screen->SetUpBodies(width, height);
    }

    CLevelCompleteScreen* operator->() { return screen.get(); }

    // A bubble placed by hand, as a spawn would make it.
    FallingBubble& Add(double x, double y, double vx, double vy)
    {
        FallingBubble& b = screen->bubbles[screen->bubbleCount++];
        b.x = x;
        b.y = y;
        b.vx = vx;
        b.vy = vy;
        b.sx = vx;
        b.sy = vy;
        broadPhase.SetObjectActive(b.body, true);
        return b;
    }

    // No spawn for a long while: only the bubbles placed by hand fall.
    void HoldSpawns() { screen->sinceSpawn = -1e9; }

    // Runs frames of 1/60 s for the given time; returns the most sub-steps
    // that one frame took.
    uint32_t Run(CRandomGenerator& rng, double seconds)
    {
        uint32_t most = 0;
        for (int frames = int(std::lround(seconds * 60)); frames > 0; --frames)
        {
            uint32_t n = screen->Update(rng, 1.0 / 60);
            most = n > most ? n : most;
        }
        return most;
    }
};
