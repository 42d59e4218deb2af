#include <gtest/gtest.h>

#include <cmath>

#include "tests/world/world_checks.h"

TEST(Dropper, FiresFromTheFeedTowardTheCentre)
{
    WorldPtr world = NewEmptyWorld();
    world->gravity = 2;
    world->angle = 0.25;
    world->distance = 0.3;
    world->supply = 3;
    world->queue[0] = QueuedBubble{1, 0, 4};
    world->queue[1] = QueuedBubble{0.8, 0.3, 5};
    world->queueCount = 2;
    world->dropRequested = 1;
    CRandomGenerator rng = TutorialRng();
    world->FireBubble(rng);

    ASSERT_EQ(world->liveCount, 1u);
    const CBubble* b = world->live[0];
    EXPECT_NEAR(b->x, 0.50606060606060606, 1e-12);
    EXPECT_NEAR(b->y, 0, 1e-12);
    EXPECT_NEAR(b->vx, -0.4, 1e-6);
    double jitter = (0xEAA94C1Du / 4294967296.0 - 0.5) * 0.01 * 0.2 * 2;
    EXPECT_NEAR(b->vy, -jitter, 1e-15);
    EXPECT_LE(std::fabs(b->vy), 0.002);
    EXPECT_EQ(b->colour, 4);
    EXPECT_FALSE(b->stuck || b->touched || b->hasStar || b->centre);
    EXPECT_TRUE(world->broadPhase->IsObjectActive(b->body));
    EXPECT_EQ(world->freeCount, 1u);
    EXPECT_EQ(world->supply, 2u);
    EXPECT_EQ(world->queueCount, 1u);
    EXPECT_EQ(world->queue[0].colour, 5);
    EXPECT_EQ(world->queue[0].speed, 0.3);
    EXPECT_EQ(world->dropRequested, 0);
    EXPECT_EQ(world->firePending, 1);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(Dropper, ADropperStillInsideTheClusterFiresFromClearOfIt)
{
    // Easing out after a fast turn, the dropper can stand inside the
    // cluster: a bubble fired from there overlapped a stuck one and burst,
    // and one fired from clear of it appeared far from the dropper.
    WorldPtr world = NewEmptyWorld();
    for (int col = 0; col <= 14; ++col)
    {
        double x, y;
        CellCentre(col, 0, x, y);
        AddBubble(*world, x, y, true, 1);
    }
    world->angle = 0.25;
    world->distance = 0.3;
    world->supply = 3;
    world->queue[0] = QueuedBubble{1, 0, 4};
    world->queueCount = 1;
    CRandomGenerator rng = TutorialRng();
    world->FireBubble(rng);

    // The feed's front entry as the play screen draws it, beyond the dropper.
    const double frontEntry = 0.35 - 0.14393939;
    const CBubble* fired = world->live[world->liveCount - 1];
    EXPECT_NEAR(fired->x, world->distance + frontEntry, 1e-6) << "where the dropper is drawn";
    EXPECT_NEAR(fired->y, 0, 1e-12);
    for (uint32_t i = 0; i + 1 < world->liveCount; ++i)
        EXPECT_GE(std::hypot(fired->x - world->live[i]->x, fired->y - world->live[i]->y), 0.04);
}

TEST(Dropper, FiringWithEveryRecordLiveLaunchesNothing)
{
    WorldPtr world = NewEmptyWorld();
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
        AddBubble(*world, (i % 64) * 0.1, (i / 64) * 0.1, true, 1);
    world->supply = 5;
    world->queue[0] = QueuedBubble{1, 0, 2};
    world->queueCount = 1;
    CRandomGenerator rng = TutorialRng();
    world->FireBubble(rng);
    EXPECT_EQ(world->liveCount, kMaxBubbles);
    EXPECT_EQ(world->supply, 5u);
    EXPECT_EQ(world->queueCount, 0u);
    EXPECT_EQ(world->firePending, 1);
    EXPECT_EQ(rng.position, TutorialRng().position) << "no jitter drawn";
}

TEST(Dropper, TutorialRefillsNeverWrapTheSupply)
{
    WorldPtr world = NewEmptyWorld();
    world->state = kWorldTutorial;
    world->supply = 0;
    CRandomGenerator rng = TutorialRng();
    for (int i = 0; i < 3; ++i)
    {
        world->queue[0] = QueuedBubble{1, 0, 3};
        world->queueCount = 1;
        world->FireBubble(rng);
        EXPECT_EQ(world->supply, 0u);
    }
    EXPECT_EQ(world->liveCount, 3u);
}

TEST(Dropper, FullQueueOnlyResetsTheReloadClock)
{
    WorldPtr world = NewEmptyWorld();
    for (int i = 0; i < 6; ++i)
        world->queue[i] = QueuedBubble{1 - 0.175 * i, 0, uint8_t(i + 1)};
    world->queueCount = 6;
    world->sinceReload = 7;
    CRandomGenerator rng = TutorialRng();
    world->ReloadQueue(rng);
    EXPECT_EQ(world->queueCount, 6u);
    EXPECT_EQ(world->sinceReload, 0);
    EXPECT_EQ(rng.position, TutorialRng().position);
}

TEST(Dropper, ReloadRedrawsARepeatedColourTwice)
{
    // Three cases: the first draw differs; the second does; all three repeat.
    CRandomGenerator probe = TutorialRng();
    uint8_t draws[12];
    for (uint8_t& d : draws)
        d = uint8_t(probe.GetBelow(5) + 1);

    for (int lastIsFirstDraw = 0; lastIsFirstDraw < 2; ++lastIsFirstDraw)
    {
        WorldPtr world = NewEmptyWorld();
        world->queue[0] = QueuedBubble{1, 0, uint8_t(lastIsFirstDraw ? draws[0] : (draws[0] % 5) + 1)};
        world->queueCount = 1;
        CRandomGenerator rng = TutorialRng();
        world->ReloadQueue(rng);
        ASSERT_EQ(world->queueCount, 2u);
        uint8_t expected = draws[0];
        if (lastIsFirstDraw)
            expected = draws[1] != draws[0] ? draws[1] : draws[2];
        EXPECT_EQ(world->queue[1].colour, expected);
        EXPECT_EQ(world->queue[1].progress, 0);
        EXPECT_EQ(world->sinceReload, 0);
    }

    // Over many loads with five colours a repeat is kept only when all three
    // draws agree: about 1 in 125.
    WorldPtr world = NewEmptyWorld();
    CRandomGenerator rng = TutorialRng();
    int repeats = 0;
    const int loads = 5000;
    uint8_t last = 0;
    for (int i = 0; i < loads; ++i)
    {
        world->queueCount = 0;
        if (i > 0)
            world->queue[world->queueCount++] = QueuedBubble{1, 0, last};
        world->ReloadQueue(rng);
        uint8_t colour = world->queue[world->queueCount - 1].colour;
        ASSERT_GE(colour, 1);
        ASSERT_LE(colour, 5);
        repeats += (i > 0 && colour == last);
        last = colour;
    }
    EXPECT_GT(repeats, loads / 125 / 3);
    EXPECT_LT(repeats, loads / 125 * 3);
}

TEST(Dropper, QueueSlidesAndKeepsItsSpacing)
{
    WorldPtr world = NewEmptyWorld();
    world->state = kWorldTutorial;
    for (int i = 0; i < 6; ++i)
        world->queue[world->queueCount++] = QueuedBubble{0, 0, 1};
    CRandomGenerator rng = TutorialRng();
    for (int frame = 0; frame < 600; ++frame)
        world->Step(rng, 1.0 / 60);
    EXPECT_EQ(world->queue[0].progress, 1);
    for (int i = 1; i < 6; ++i)
        EXPECT_NEAR(world->queue[i].progress, 1 - 0.175 * i, 1e-9);
}

TEST(Dropper, LastBubbleFiredEndsThePlay)
{
    WorldPtr world = NewEmptyWorld();
    AddStarKeeper(*world);
    world->supply = 1;
    world->queue[0] = QueuedBubble{1, 0, 2};
    world->queueCount = 1;
    world->dropRequested = 1;
    CRandomGenerator rng = TutorialRng();
    world->Step(rng, 1.0 / 60);
    EXPECT_EQ(world->supply, 0u);
    EXPECT_EQ(world->state, kWorldOutOfBubbles);
}
