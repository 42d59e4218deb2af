#include <gtest/gtest.h>

#include <cmath>

#include "screens/level_complete_screen.h"
#include "tests/screens/rain_checks.h"
#include "tests/world/world_checks.h"

namespace {

const double kR = 1.0 / 15;

RainEvent NextEvent(CLevelCompleteScreen& s, double within)
{
    RainEvent ev = {kRainNone, within, 0, 0, nullptr, nullptr};
    s.FindNextEvent(ev);
    return ev;
}

double Distance(const FallingBubble& b, double x, double y)
{
    return std::hypot(b.x - x, b.y - y);
}

} // namespace

TEST(RainSetUp, BodiesWallsAndDomeAsTheScreenMakesThem)
{
    Rain rain(1280, 720);
    EXPECT_NEAR(rain->ax, 16.0 / 9, 1e-15);
    EXPECT_EQ(rain->ay, 1);
    EXPECT_EQ(rain.broadPhase.GetObjectCount(), 528u);
    for (uint32_t i = 0; i < kMaxRainBubbles; ++i)
    {
        EXPECT_EQ(rain->bubbles[i].body, i);
        EXPECT_FALSE(rain.broadPhase.IsObjectActive(i)) << "inactive until spawned";
    }
    EXPECT_EQ(rain->leftWall, 512u);
    EXPECT_EQ(rain->rightWall, 513u);
    EXPECT_EQ(rain->floor, 514u);
    // The floor slab's top is the view's bottom edge.
    EXPECT_EQ(rain.broadPhase.GetEndpoint(rain->floor, 3).value, -1);
    EXPECT_EQ(rain.broadPhase.GetEndpoint(rain->leftWall, 1).value, -16.0 / 9);
    for (uint32_t k = 0; k < kDomeCircleCount; ++k)
        EXPECT_TRUE(rain.broadPhase.IsObjectActive(515 + k));

    // Written before main: the picture's centre line and its two flanks.
    EXPECT_EQ(g_domeCircles[0].x, 0);
    EXPECT_EQ(g_domeCircles[6].x, 0.29);
    EXPECT_EQ(g_domeCircles[12].x, -0.29);
    EXPECT_EQ(g_domeCircles[12].radius, 0.0539);
    for (const DomeCircle& c : g_domeCircles)
        EXPECT_EQ(c.y, 0.25);

    Rain portrait(600, 800);
    EXPECT_EQ(portrait->ax, 1);
    EXPECT_NEAR(portrait->ay, 4.0 / 3, 1e-15) << "the floor lies below -1";
}

TEST(RainStep, ZeroAndBadFrameTimesMoveNothing)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    FallingBubble& b = rain.Add(0.5, 0.5, 0.1, -0.2);
    rain->sinceSpawn = 0.1;
    for (double dt : {0.0, -0.5, double(NAN), double(INFINITY)})
    {
        EXPECT_EQ(rain->Update(rng, dt), 0u);
        EXPECT_EQ(b.x, 0.5);
        EXPECT_EQ(b.vy, -0.2);
        EXPECT_EQ(rain->sinceSpawn, 0.1);
        EXPECT_EQ(rain->clock, 0);
    }
    EXPECT_EQ(rng.position, TutorialRng().position);

    // Only the end rule runs: past 30 s it may end the screen.
    rain->clock = 30.5;
    rain->Update(rng, 0);
    EXPECT_EQ(rain->done, 1) << "one moving bubble is fewer than ten";
}

TEST(RainStep, FirstSpawnAfterAQuarterSecondAboveTheView)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    CRandomGenerator twin = TutorialRng();
    rain->Update(rng, 0.2);
    EXPECT_EQ(rain->bubbleCount, 0u);
    rain->Update(rng, 0.05);
    ASSERT_EQ(rain->bubbleCount, 1u);
    const FallingBubble& b = rain->bubbles[0];
    double u = twin.GetUInt32() / 4294967296.0;
    EXPECT_NEAR(b.x, (u - 0.5) * 2 * (16.0 / 9 - 0.06733333333333333), 1e-15);
    EXPECT_NEAR(b.y, 1 + 0.5386666666666666, 1e-15);
    EXPECT_EQ(b.vx, 0);
    EXPECT_EQ(b.vy, -0.5);
    EXPECT_EQ(b.colour, twin.GetBelow(5)) << "the colour is drawn after the place";
    EXPECT_TRUE(rain.broadPhase.IsObjectActive(0));
    EXPECT_NEAR(rain->sinceSpawn, 0, 1e-12);
}

TEST(RainStep, AtMost512BubblesWhileSpawnsGoOn)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    RainEvent spawn = {kRainSpawn, 0, 0, 0, nullptr, nullptr};
    for (int i = 0; i < 600; ++i)
    {
        rain->sinceSpawn = 0.25;
        rain->ResolveEvent(rng, spawn);
        EXPECT_EQ(rain->sinceSpawn, 0);
    }
    EXPECT_EQ(rain->bubbleCount, kMaxRainBubbles);
    for (uint32_t i = 0; i < kMaxRainBubbles; ++i)
        ASSERT_LT(rain->bubbles[i].colour, 5);
    // Later spawns draw nothing.
    uint32_t position = rng.position;
    rain->ResolveEvent(rng, spawn);
    EXPECT_EQ(rng.position, position);
}

TEST(RainContacts, FloorBouncesWithRestitutionThenFreezes)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    rain.HoldSpawns();
    FallingBubble& b = rain.Add(0.3, -1 + kR + 0.01, 0, -1);
    RainEvent ev = NextEvent(*rain.screen, 0.1);
    ASSERT_EQ(ev.type, kRainMeetsWall);
    EXPECT_EQ(ev.b, kRainFloor);
    EXPECT_NEAR(ev.time, 0.01, 1e-12);
    rain->Advance(ev.time);
    double before = b.vy;
    rain->ResolveEvent(rng, ev);
    EXPECT_EQ(b.floor, 1);
    EXPECT_EQ(b.vy, -0.15 * before);
    EXPECT_EQ(rain.broadPhase.GetPairState(b.body, rain->floor) & CCollisionBroadPhase::kPairDisabled,
              CCollisionBroadPhase::kPairDisabled);

    rain.Run(rng, 5);
    EXPECT_EQ(b.frozen, 1);
    EXPECT_NEAR(b.y, -1 + kR, 1e-3);
    EXPECT_EQ(b.x, 0.3);
    EXPECT_EQ(b.vx, 0);
    EXPECT_EQ(b.vy, 0) << "a frozen bubble keeps no speed";
    double y = b.y;
    rain.Run(rng, 1);
    EXPECT_EQ(b.y, y);
}

TEST(RainContacts, SideWallsTurnBubblesBack)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    rain.HoldSpawns();
    double ax = rain->ax;
    FallingBubble& left = rain.Add(-ax + kR + 0.02, 0, -1, 0);
    FallingBubble& right = rain.Add(ax - kR - 0.02, 0.5, 1, 0);
    rain.Run(rng, 0.1);
    EXPECT_GT(left.vx, 0);
    EXPECT_LT(right.vx, 0);
    EXPECT_GE(left.x, -ax + kR - 1e-9);
    EXPECT_LE(right.x, ax - kR + 1e-9);
}

TEST(RainContacts, HeadOnBubblesExchangeTheirSpeeds)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    FallingBubble& a = rain.Add(-0.2, 0, 1, 0);
    FallingBubble& b = rain.Add(0.2, 0, -0.5, 0);
    RainEvent ev = NextEvent(*rain.screen, 0.5);
    ASSERT_EQ(ev.type, kRainMeetsRain);
    EXPECT_EQ(ev.a, 0u);
    EXPECT_EQ(ev.b, 1u);
    rain->Advance(ev.time);
    EXPECT_NEAR(b.x - a.x, 2 * kR, 1e-12);
    double avx = a.vx, bvx = b.vx, vy = a.vy;
    rain->ResolveEvent(rng, ev);
    EXPECT_NEAR(a.vx, bvx, 1e-15);
    EXPECT_NEAR(b.vx, avx, 1e-15);
    EXPECT_NEAR(a.vy, vy, 1e-15);
    ASSERT_EQ(a.contactCount, 1u);
    EXPECT_EQ(a.contacts[0], &b);
    EXPECT_EQ(b.contacts[0], &a);

    // Once apart again the link goes and the pair may meet anew.
    rain->Advance(0.5);
    EXPECT_EQ(a.contactCount, 0u);
    EXPECT_EQ(b.contactCount, 0u);
    EXPECT_EQ(rain.broadPhase.GetPairState(a.body, b.body) & CCollisionBroadPhase::kPairDisabled, 0);
}

TEST(RainContacts, RestingPassRemovesOnlyTheApproach)
{
    Rain rain;
    FallingBubble& base = rain.Add(0, 0, 0, 0);
    base.frozen = 1;
    double s = std::sqrt(0.5) * 2 * kR;
    FallingBubble& top = rain.Add(s, s, 0, -0.1);
    top.contacts[top.contactCount++] = &base;
    base.contacts[base.contactCount++] = &top;
    rain->Advance(1e-4);
    double nx = top.x / std::hypot(top.x, top.y), ny = top.y / std::hypot(top.x, top.y);
    EXPECT_GE(top.vx * nx + top.vy * ny, -1e-12) << "no speed into the frozen bubble";
    EXPECT_GT(top.vx, 0) << "it keeps sliding down its side";
    EXPECT_EQ(base.x, 0);
}

TEST(RainPile, BubblesRestOnTheDomeAndOnEachOther)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    rain.HoldSpawns();
    FallingBubble& first = rain.Add(0, 0.9, 0, -0.5);
    rain.Run(rng, 6);
    ASSERT_EQ(first.frozen, 1);
    // Contacts hold within the margin, so a bubble may come to rest a hair
    // above what it touches.
    EXPECT_NEAR(Distance(first, 0, 0.25), 0.135 + kR, kRainMargin - kR);
    EXPECT_EQ(first.dome, &g_domeCircles[0]);

    FallingBubble& second = rain.Add(0, 0.9, 0, -0.5);
    rain.Run(rng, 6);
    ASSERT_EQ(second.frozen, 1);
    EXPECT_NEAR(Distance(second, first.x, first.y), 2 * kR, 2 * (kRainMargin - kR));
    EXPECT_GT(second.y, first.y);

    // One dropped off the crown slides down the dome and lands below it.
    FallingBubble& slider = rain.Add(0.2, 0.9, 0, -0.5);
    rain.Run(rng, 60);
    EXPECT_EQ(slider.frozen, 1);
    EXPECT_GT(slider.x, 0.2);
}

TEST(RainPile, FrozenBubbleOnADomeMakesNoMoreEvents)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    // Just outside the dome's reach, creeping in so slowly that it is at rest.
    const DomeCircle& c = g_domeCircles[3];
    double reach = c.radius + kR;
    FallingBubble& b = rain.Add(c.x, c.y + reach * (1 + 1e-15), 0, -2e-6);
    b.sy = 0;
    rain->FreezeRestingBubbles();
    ASSERT_EQ(b.frozen, 1);
    rain.HoldSpawns();
    EXPECT_LE(rain->Update(rng, 1.0 / 60), 2u);
}

TEST(RainStep, SubStepCapEndsAFrameThatWouldNotEnd)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    // A frozen bubble that still has a speed toward a dome circle meets it
    // again after every tiny step: the frame must still end.
    const DomeCircle& c = g_domeCircles[0];
    double reach = c.radius + kR;
    FallingBubble& b = rain.Add(c.x, c.y + reach + 1e-15, 0, -1e-3);
    b.frozen = 1;
    rain.HoldSpawns();
    EXPECT_EQ(rain->Update(rng, 1.0 / 60), kMaxSubStepsPerFrame);
    EXPECT_NEAR(rain->sinceSpawn, -1e9 + 1.0 / 60, 1e-6) << "the whole frame time passed";
    EXPECT_EQ(rain->clock, 1.0 / 60);
}

TEST(RainStep, StillBubbleOnTheFloorFaceGivesNoNaNEvent)
{
    Rain rain;
    // 0 / 0 for the floor: turned away by the strict comparison.
    rain.Add(0.4, -1 + kR, 0, 0);
    RainEvent ev = NextEvent(*rain.screen, 0.01);
    EXPECT_EQ(ev.type, kRainNone);
    EXPECT_EQ(ev.time, 0.01);
    // A bubble already within the floor's reach and sinking meets it at once:
    // a time in the past, clamped to now.
    Rain sunk;
    sunk.Add(0.4, -1 + kR - 1e-4, 0, -1e-3);
    ev = NextEvent(*sunk.screen, 0.01);
    EXPECT_EQ(ev.type, kRainMeetsWall);
    EXPECT_EQ(ev.time, 0);
}

TEST(RainEnd, NeverBefore30SecondsThenWhenFewerThanTenMoveInView)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    rain->clock = 29.99;
    rain->Update(rng, 0);
    EXPECT_EQ(rain->done, 0) << "even with no bubble at all";
    rain->clock = 30.0;
    rain->Update(rng, 0);
    EXPECT_EQ(rain->done, 0) << "only after 30 s";

    rain->clock = 31;
    for (int i = 0; i < 10; ++i)
        rain.Add(-1 + 0.2 * i, 0, 0, -0.1);
    for (int i = 0; i < 5; ++i)
        rain.Add(-1 + 0.2 * i, 1 + kR, 0, -0.1); // just spawned: not in view
    rain->Update(rng, 0);
    EXPECT_EQ(rain->done, 0) << "ten moving in view";
    rain->bubbles[0].frozen = 1;
    rain->Update(rng, 0);
    EXPECT_EQ(rain->done, 1);
}

TEST(RainEnd, ClockCheckedBeforeTheFrameIsAdded)
{
    Rain rain;
    CRandomGenerator rng = TutorialRng();
    rain->clock = 29.99;
    rain.HoldSpawns();
    rain->Update(rng, 0.02);
    EXPECT_EQ(rain->done, 0);
    rain->Update(rng, 0.02);
    EXPECT_EQ(rain->done, 1);
}

TEST(RainSetUp, ColourCountIsTheLevelsAndStaysInTheTable)
{
    EXPECT_EQ(RainColourCount(0, 0), 5u);
    EXPECT_EQ(RainColourCount(1, 2), 8u);
    EXPECT_EQ(RainColourCount(2, 3), 11u);
    // A stored difficulty out of range must not draw past the colour table.
    EXPECT_EQ(RainColourCount(7, 3), 12u);
    EXPECT_EQ(RainColourCount(-5, 0), 5u);
    EXPECT_EQ(RainColourCount(INT32_MAX, 4000000000u), 12u);
}
