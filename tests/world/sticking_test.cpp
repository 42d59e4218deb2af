#include <gtest/gtest.h>

#include <cmath>

#include "tests/world/world_checks.h"

namespace {

CBubble* AddAtCell(CBubbleWorld& world, int col, int row, bool stuck, uint8_t colour)
{
    double x, y;
    CellCentre(col, row, x, y);
    return AddBubble(world, x, y, stuck, colour);
}

void StickAtItsCell(CBubbleWorld& world, CBubble* b)
{
    double x, y;
    SnapToHexGrid(b->x, b->y, x, y);
    world.StickBubble(b, x, y);
}

uint32_t CountFree(const CBubbleWorld& world)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < world.liveCount; ++i)
        n += !world.live[i]->stuck;
    return n;
}

WorldPtr TutorialWorld(CRandomGenerator& rng)
{
    SeedTutorialGenerator(rng);
    WorldPtr world = NewZeroedWorld();
    PlaySession session{};
    world->BuildLevel(rng, session);
    world->state = kWorldTutorial;
    return world;
}

CBubble* BubbleNear(CBubbleWorld& world, double x, double y)
{
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        CBubble* b = world.live[i];
        if (std::hypot(b->x - x, b->y - y) < 0.01)
            return b;
    }
    return nullptr;
}

} // namespace

TEST(Sticking, ThreeOfAColourBurstTwoDoNot)
{
    WorldPtr world = NewEmptyWorld();
    AddAtCell(*world, 1, 0, true, 1);
    AddAtCell(*world, -4, 0, true, 2);
    CBubble* second = AddAtCell(*world, -5, 0, false, 2);
    StickAtItsCell(*world, second);
    EXPECT_EQ(world->liveCount, 3u) << "two alone stay";
    EXPECT_EQ(world->popPending, 0);

    AddAtCell(*world, 2, 0, true, 1);
    CBubble* third = AddAtCell(*world, 3, 0, false, 1);
    third->x += 0.004; // snaps back onto its cell
    StickAtItsCell(*world, third);
    EXPECT_EQ(world->liveCount, 2u);
    EXPECT_EQ(world->popCount, 3u);
    EXPECT_EQ(world->popPending, 1);
    EXPECT_EQ(world->pops[0].x, third->x) << "pops in group order, the sticking bubble first";
    EXPECT_EQ(world->freeCount, 0u);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(Sticking, StickingLinksEveryTouchingBubbleFreeOnesToo)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* wall = AddAtCell(*world, 2, 0, true, 1);
    CBubble* b = AddAtCell(*world, 3, 0, false, 2);
    CBubble* flying = AddBubble(*world, b->x + 0.04, b->y, false, 3);
    CBubble* far = AddBubble(*world, b->x, b->y + 0.05, false, 3);
    StickAtItsCell(*world, b);
    EXPECT_TRUE(b->stuck);
    EXPECT_TRUE(b->IsLinkedTo(wall) && wall->IsLinkedTo(b));
    EXPECT_TRUE(b->IsLinkedTo(flying) && flying->IsLinkedTo(b));
    EXPECT_FALSE(b->IsLinkedTo(far));
    EXPECT_EQ(b->vx, 0);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(Sticking, LargeGroupBurstsOnlyItsFirst32)
{
    WorldPtr world = NewEmptyWorld();
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 10; ++col)
            AddAtCell(*world, col, row, true, 5);
    CBubble* joining = AddAtCell(*world, 10, 0, false, 5);
    StickAtItsCell(*world, joining);
    EXPECT_EQ(world->liveCount, 41u - 32u);
    EXPECT_EQ(world->popCount, 32u);
}

TEST(Sticking, CentreBubblesNeverJoinAGroup)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* centre = AddAtCell(*world, 0, 0, true, 0);
    centre->centre = 1;
    CBubble* out[kMaxBurstGroup];
    EXPECT_EQ(world->CollectSameColour(centre, out), 0u);
}

TEST(Sticking, RestingNeedsLowSpeedSupportAndACellNearby)
{
    for (double speed : {0.002, 0.0009})
    {
        WorldPtr world = NewEmptyWorld();
        CBubble* ccwSide = AddBubble(*world, 0.06, 0.0346, true, 1);
        CBubble* cwSide = AddBubble(*world, 0.06, -0.0346, true, 1);
        CBubble* b = AddBubble(*world, 0.085, 0.003, false, 2);
        b->vy = speed;
        world->OnContact(b, ccwSide);
        world->OnContact(b, cwSide);
        b->vx = 0;
        b->vy = speed;
        world->SettleResting();
        EXPECT_EQ(b->stuck, speed < 0.001) << speed;
        EXPECT_TRUE(b->supportIn || speed > 0.001);
    }
    // Supported but more than 0.01 from the cell centre.
    WorldPtr world = NewEmptyWorld();
    CBubble* ccwSide = AddBubble(*world, 0.06, 0.0346, true, 1);
    CBubble* cwSide = AddBubble(*world, 0.06, -0.0346, true, 1);
    CBubble* b = AddBubble(*world, 0.0905, 0, false, 2);
    LinkBubbles(b, ccwSide);
    LinkBubbles(b, cwSide);
    world->SettleResting();
    EXPECT_TRUE(b->supportIn && b->supportCcw && b->supportCw);
    EXPECT_FALSE(b->stuck);
}

TEST(Sticking, OnlyTheInnermostFreeBubbleRestsOnFreeNeighbours)
{
    for (bool innermost : {true, false})
    {
        WorldPtr world = NewEmptyWorld();
        CBubble* inner = AddAtCell(*world, 1, 0, true, 1);
        CBubble* b = AddAtCell(*world, 2, 0, false, 2);
        CBubble* ccwSide = AddBubble(*world, 0.10, 0.0346, false, 3);
        CBubble* cwSide = AddBubble(*world, 0.10, -0.0346, false, 3);
        LinkBubbles(b, inner);
        LinkBubbles(b, ccwSide);
        LinkBubbles(b, cwSide);
        if (!innermost)
            AddBubble(*world, -0.03, 0, false, 4); // nearer the centre, touching nothing
        world->SettleResting();
        EXPECT_EQ(b->stuck, innermost);
        EXPECT_EQ(CheckWorldInvariants(*world), "");
    }
}

TEST(Sticking, FreeNeighbourHeldInwardPassesItsSupportOn)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* inner = AddAtCell(*world, 1, 0, true, 1);
    CBubble* ccwHolder = AddBubble(*world, 0.06, 0.0346, false, 3);
    ccwHolder->supportIn = 1;
    ccwHolder->supportCcw = 1;
    CBubble* cwSide = AddBubble(*world, 0.06, -0.0346, true, 1);
    CBubble* b = AddAtCell(*world, 2, 0, false, 2);
    LinkBubbles(b, inner);
    LinkBubbles(b, ccwHolder);
    LinkBubbles(b, cwSide);
    // ccwHolder comes before b in live: its flags are cleared and retested
    // first, and it rests on nothing. Test b on its own with the old flags.
    EXPECT_TRUE(b->IsSupported(false));
    ccwHolder->supportCcw = 0;
    b->supportCcw = 0;
    EXPECT_FALSE(b->IsSupported(false));
}

TEST(Sticking, RemovingAStarFreesIt)
{
    WorldPtr world = NewEmptyWorld();
    world->starsLeft = 2;
    CBubble* starred = AddBubble(*world, 0.3, 0.4, true, 1);
    starred->hasStar = 1;
    world->RemoveBubble(starred);
    EXPECT_EQ(world->starsLeft, 1u);
    EXPECT_EQ(world->starPending, 1);
    ASSERT_EQ(world->freedStarCount, 1u);
    EXPECT_NEAR(world->freedStars[0].vx, 0.048, 1e-12);
    EXPECT_NEAR(world->freedStars[0].vy, 0.064, 1e-12);

    // With sixteen animations running the star still counts.
    world->freedStarCount = kMaxFreedStars;
    CBubble* another = AddBubble(*world, 0.3, 0.4, false, 1);
    another->hasStar = 1;
    world->RemoveBubble(another);
    EXPECT_EQ(world->starsLeft, 0u);
    EXPECT_EQ(world->freedStarCount, kMaxFreedStars);
    EXPECT_EQ(world->freeCount, 0u);

    // A star count already at 0 must not wrap and keep the level from ending.
    CBubble* stray = AddBubble(*world, 0.3, 0.4, true, 1);
    stray->hasStar = 1;
    world->RemoveBubble(stray);
    EXPECT_EQ(world->starsLeft, 0u);
}

TEST(Sticking, StarFreedAtTheExactCentreStaysFinite)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* starred = AddBubble(*world, 0, 0, false, 1);
    starred->hasStar = 1;
    world->BurstBubble(starred);
    ASSERT_EQ(world->freedStarCount, 1u);
    EXPECT_EQ(world->freedStars[0].vx, 0);
    EXPECT_EQ(world->freedStars[0].vy, 0);
    CRandomGenerator rng;
    SeedTutorialGenerator(rng);
    world->Step(rng, 0.1);
    EXPECT_TRUE(std::isfinite(world->freedStars[0].x));
}

TEST(Sticking, RemovalKeepsLiveOrderedAndIdleRecordsNext)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* a = AddAtCell(*world, 3, 0, true, 1);
    CBubble* b = AddAtCell(*world, 6, 0, true, 1);
    CBubble* c = AddAtCell(*world, 9, 0, true, 1);
    world->RemoveBubble(a);
    EXPECT_EQ(world->live[0], c);
    EXPECT_EQ(world->live[1], b);
    EXPECT_EQ(world->live[2], a) << "the first idle record";
    EXPECT_FALSE(world->broadPhase->IsObjectActive(a->body));
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(Sticking, BurstReleasesOutwardBubblesWhichStickAgain)
{
    CRandomGenerator rng;
    WorldPtr world = TutorialWorld(rng);
    // A group of three in the second ring, recoloured so it bursts when one
    // of them sticks again.
    CBubble* x = BubbleNear(*world, 0.08, 0);
    CBubble* y = BubbleNear(*world, 0.06, 0.03464);
    CBubble* z = BubbleNear(*world, 0.06, -0.03464);
    ASSERT_TRUE(x && y && z);
    x->colour = y->colour = z->colour = 7;
    x->stuck = 0;
    world->freeCount = 1;
    StickAtItsCell(*world, x);
    EXPECT_EQ(world->liveCount, 52u);
    uint32_t released = world->freeCount;
    EXPECT_GE(released, 5u) << "the bubbles outward of the group come loose";
    ASSERT_EQ(CheckWorldInvariants(*world), "");
    for (int frame = 0; frame < 60 * 30 && world->freeCount > 0; ++frame)
    {
        world->Step(rng, 1.0 / 60);
        ASSERT_EQ(CheckWorldInvariants(*world), "") << "frame " << frame;
    }
    EXPECT_EQ(world->freeCount, 0u) << "every released bubble came to rest";
    EXPECT_EQ(CountFree(*world), 0u);
}

TEST(Sticking, ReleaseStopsAt500FreeBubbles)
{
    CRandomGenerator rng;
    SeedWith(rng, 31);
    WorldPtr world = BuildTestLevel(rng, 0, 0, 9);
    CBubble* inner = BubbleNear(*world, 0.08, 0);
    ASSERT_NE(inner, nullptr);
    world->ReleaseOutward(inner);
    uint32_t released = CountFree(*world);
    EXPECT_GT(released, 20u);
    EXPECT_EQ(world->freeCount, released);

    SeedWith(rng, 31);
    WorldPtr capped = BuildTestLevel(rng, 0, 0, 9);
    capped->freeCount = 498; // as if 498 were already on their way
    capped->ReleaseOutward(BubbleNear(*capped, 0.08, 0));
    EXPECT_EQ(CountFree(*capped), 2u);
}

TEST(Sticking, CentreBubblesAreNeverReleased)
{
    CRandomGenerator rng;
    WorldPtr world = TutorialWorld(rng);
    CBubble* centre = BubbleNear(*world, 0, 0);
    world->ReleaseOutward(centre);
    EXPECT_EQ(world->freeCount, 0u);
}

TEST(StaleContacts, ContactUsesTheBubblesNotTheirOldPlaces)
{
    // The motion before a contact can burst bubbles and reorder live.
    CRandomGenerator rng;
    SeedTutorialGenerator(rng);
    WorldPtr world = NewEmptyWorld();
    world->state = kWorldTutorial;
    CBubble* a = AddBubble(*world, 0.3, 0.3, false, 1);
    CBubble* doomed = AddAtCell(*world, -10, -10, true, 2);
    CBubble* bystander = AddAtCell(*world, 10, 10, true, 3);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 1); // at contact: due now
    a->vx = 0.1;
    WorldEvent ev = {kEventNone, 1, 0, 0, nullptr, nullptr};
    world->FindNextEvent(ev);
    ASSERT_EQ(ev.type, kEventContact);
    ASSERT_EQ(ev.b, 3u);
    world->RemoveBubble(doomed); // b moves into place 1, the idle doomed into 3
    ASSERT_EQ(world->live[ev.b], doomed);
    world->HandleEvent(rng, ev);
    EXPECT_TRUE(a->IsLinkedTo(b) && b->IsLinkedTo(a));
    EXPECT_EQ(bystander->neighbourCount, 0u);
    EXPECT_EQ(doomed->neighbourCount, 0u);
    EXPECT_EQ(CheckWorldInvariants(*world), "");

    // Handled again: already linked, so no second link.
    world->HandleEvent(rng, ev);
    EXPECT_EQ(a->neighbourCount, 1u);

    // A contact whose bubble has gone is skipped.
    WorldEvent gone = ev;
    world->RemoveBubble(b);
    world->HandleEvent(rng, gone);
    EXPECT_EQ(a->neighbourCount, 0u);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(StaleContacts, AContactLinksOnlyAPairStillAtContactDistance)
{
    // Settling can snap one bubble of a pair to its cell, away from the
    // other, before their contact is handled: a link across that gap led
    // the same-colour search to a bubble that was not touching.
    CRandomGenerator rng = TutorialRng();
    WorldPtr world = NewEmptyWorld();
    world->state = kWorldTutorial;
    world->gravity = 0;
    CBubble* resting = AddAtCell(*world, 5, 0, false, 1);
    resting->x += 0.008;
    CBubble* coming = AddBubble(*world, resting->x + 0.1, 0, false, 1);
    coming->vx = -0.2;
    for (int contact = 0; contact < 2; ++contact)
    {
        WorldEvent ev = {kEventNone, 1, 0, 0, nullptr, nullptr};
        world->FindNextEvent(ev);
        ASSERT_EQ(ev.type, kEventContact);
        if (contact == 0)
            StickAtItsCell(*world, resting); // as the settling at the start of the motion would
        world->Advance(ev.time, 1);
        world->HandleEvent(rng, ev);
        if (contact == 0)
        {
            EXPECT_FALSE(coming->IsLinkedTo(resting)) << "0.008 apart";
            EXPECT_FALSE(world->broadPhase->GetPairState(coming->body, resting->body) &
                         CCollisionBroadPhase::kPairDisabled);
        }
    }
    EXPECT_TRUE(coming->IsLinkedTo(resting)) << "met again";
    EXPECT_NEAR(std::hypot(coming->x - resting->x, coming->y - resting->y), 0.04, 1e-12);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}
