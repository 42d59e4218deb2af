// The whole rain, left alone from the first spawn until the pile is full, on
// screens of several shapes.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/screens/rain_checks.h"
#include "tests/world/world_checks.h"

namespace {

const double kFrame = 1.0 / 60;

// The deepest overlap of two bubbles that are both below the top of the
// view: bubbles spawned into a pile that has outgrown the view may overlap.
double DeepestOverlapInView(CLevelCompleteScreen& s)
{
    double deepest = 0;
    for (uint32_t i = 0; i < s.bubbleCount; ++i)
    {
        const FallingBubble& a = s.bubbles[i];
        if (a.y > s.ay - kRainRadius)
            continue;
        for (uint32_t j = 0; j < i; ++j)
        {
            const FallingBubble& b = s.bubbles[j];
            if (b.y > s.ay - kRainRadius)
                continue;
            double overlap = 2 * kRainRadius - std::hypot(a.x - b.x, a.y - b.y);
            deepest = overlap > deepest ? overlap : deepest;
        }
    }
    return deepest;
}

void Soak(int32_t width, int32_t height)
{
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    Rain rain(width, height, 9);
    CRandomGenerator rng;
    SeedWith(rng, 4242);
    double doneAt = -1;
    uint32_t mostSubSteps = 0;
    for (int frame = 1; frame <= 60 * 140; ++frame)
    {
        uint32_t n = rain->Update(rng, kFrame);
        mostSubSteps = n > mostSubSteps ? n : mostSubSteps;
        if (rain->done && doneAt < 0)
            doneAt = rain->clock;
        if (frame == 60 * 127 + 6)
        {
            EXPECT_EQ(rain->bubbleCount, 508u) << "one every quarter second";
        }
        if (frame % 60 != 0)
            continue;
        for (uint32_t i = 0; i < rain->bubbleCount; ++i)
        {
            const FallingBubble& b = rain->bubbles[i];
            ASSERT_TRUE(std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(b.vx) && std::isfinite(b.vy))
                << "bubble " << i << " at " << rain->clock;
            ASSERT_GE(b.y, -rain->ay + kRainRadius - 2e-3) << "through the floor";
            ASSERT_LE(std::fabs(b.x), rain->ax - kRainRadius + 2e-3) << "through a wall";
            ASSERT_LE(b.contactCount, kMaxRainContacts);
            if (b.frozen)
            {
                ASSERT_TRUE(b.vx == 0 && b.vy == 0);
            }
        }
        ASSERT_LT(DeepestOverlapInView(*rain.screen), 1e-3) << "at " << rain->clock;
    }
    EXPECT_EQ(rain->bubbleCount, kMaxRainBubbles);
    EXPECT_GT(doneAt, kRainEndAfter);
    EXPECT_LT(mostSubSteps, 200u) << "the cap stays far away";
    uint32_t frozen = 0;
    for (uint32_t i = 0; i < rain->bubbleCount; ++i)
        frozen += rain->bubbles[i].frozen;
    EXPECT_GT(frozen, 450u) << "the pile has come to rest";
}

} // namespace

TEST(RainSoak, WideScreen)
{
    Soak(1280, 720);
}

TEST(RainSoak, FourByThree)
{
    Soak(1024, 768);
}

TEST(RainSoak, Portrait)
{
    Soak(600, 800);
}
