#include <gtest/gtest.h>

#include <cmath>

#include "tests/world/world_checks.h"

namespace {

// Links two bubbles as a contact does, without running the solver.
void Link(CBubbleWorld& world, CBubble* a, CBubble* b)
{
    ASSERT_TRUE(LinkBubbles(a, b));
    world.broadPhase->SetPairEnabled(a->body, b->body, false);
}

} // namespace

TEST(ContactSolver, FreeBubbleBouncesWeaklyOffAStuckOne)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* wall = AddBubble(*world, 0.3, 0.3, true, 1);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
    b->vx = -1;  // normal, toward the wall
    b->vy = 0.5; // sliding
    Link(*world, b, wall);
    world->ResolvePair(b, wall);
    EXPECT_NEAR(b->vx, 0.2, 1e-12);
    EXPECT_NEAR(b->vy, 0.5, 1e-12);
    EXPECT_EQ(wall->vx, 0);
    EXPECT_EQ(wall->vy, 0);
    EXPECT_EQ(b->queued, 0);
}

TEST(ContactSolver, TwoFreeBubblesExchangeTheirNormalParts)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* a = AddBubble(*world, 0.3, 0.3, false, 1);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
    a->vx = 1;
    a->vy = 0.25;
    Link(*world, a, b);
    world->ResolvePair(a, b);
    EXPECT_NEAR(a->vx, 0, 1e-12);
    EXPECT_NEAR(a->vy, 0.25, 1e-12);
    EXPECT_NEAR(b->vx, 1, 1e-12);
    EXPECT_NEAR(b->vy, 0, 1e-12);
}

TEST(ContactSolver, SeparatingPairIsLeftAlone)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* wall = AddBubble(*world, 0.3, 0.3, true, 1);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
    b->vx = 1e-20; // dp . dv above -1e-16
    b->vy = -0.3;
    Link(*world, b, wall);
    world->ResolveAll();
    EXPECT_EQ(b->vx, 1e-20);
    EXPECT_EQ(b->vy, -0.3);
}

TEST(ContactSolver, ResponseWeakensWithVisits)
{
    // b sits by a stuck wall with a sliding speed. Queued ahead of c, b is
    // visited `earlier` times without response; then c pushes it into the
    // wall, and b's next visit answers by its count.
    struct Case
    {
        uint32_t earlier;
        double vx, vy;
    };
    const Case cases[] = {
        {8, 0.2, 0.5},  // 9th visit: weak bounce
        {9, 0, 0.5},    // 10th: the approach is taken away
        {13, 0, 0.5},   // 14th
        {14, 0, 0},     // 15th: stops dead
        {20, -1, 0.5},  // 21st: skipped
    };
    for (const Case& c : cases)
    {
        WorldPtr world = NewEmptyWorld();
        CBubble* wall = AddBubble(*world, 0.3, 0.3, true, 1);
        CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
        CBubble* pusher = AddBubble(*world, 0.38, 0.3, false, 3);
        b->vy = 0.5;
        pusher->vx = -1;
        Link(*world, b, wall);
        // One-sided on purpose: b must not see the pusher coming.
        pusher->neighbours[pusher->neighbourCount++] = b;
        CBubble* queue[kMaxBubbles];
        uint32_t n = 0;
        for (uint32_t i = 0; i < c.earlier; ++i)
            queue[n++] = b;
        queue[n++] = pusher;
        world->ResolveContacts(queue, n);
        SCOPED_TRACE(c.earlier);
        EXPECT_EQ(b->visits, c.earlier + 1);
        EXPECT_NEAR(b->vx, c.vx, 1e-12);
        EXPECT_NEAR(b->vy, c.vy, 1e-12);
        EXPECT_NEAR(pusher->vx, 0, 1e-12);
        pusher->neighbourCount = 0;
    }
}

TEST(ContactSolver, ContactLinksBothAndDisablesThePair)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* a = AddBubble(*world, 0.3, 0.3, false, 1);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
    a->vx = 0.5;
    world->OnContact(a, b);
    EXPECT_TRUE(a->touched && b->touched);
    EXPECT_TRUE(a->IsLinkedTo(b) && b->IsLinkedTo(a));
    EXPECT_TRUE(world->broadPhase->GetPairState(a->body, b->body) & CCollisionBroadPhase::kPairDisabled);
    EXPECT_NEAR(b->vx, 0.5, 1e-12);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(ContactSolver, ContactWithAFullBubbleLinksNeither)
{
    // A one-sided link would outlive the other bubble's removal. Unlinked,
    // the pair must stay enabled, or the bubble passes through the other,
    // and be turned back, or it meets again at once for ever.
    WorldPtr world = NewEmptyWorld();
    CBubble* crowded = AddBubble(*world, 0.3, 0.3, false, 1);
    for (int i = 0; i < 6; ++i)
    {
        CBubble* o = AddBubble(*world, 0.3 + 0.04 * std::cos(i * M_PI / 3), 0.3 + 0.04 * std::sin(i * M_PI / 3),
                               false, 2);
        world->OnContact(crowded, o);
    }
    CBubble* seventh = AddBubble(*world, 0.3, 0.33, false, 3);
    seventh->vy = -0.1;
    world->OnContact(seventh, crowded);
    EXPECT_EQ(crowded->neighbourCount, 6u);
    EXPECT_EQ(seventh->neighbourCount, 0u);
    EXPECT_FALSE(world->broadPhase->GetPairState(seventh->body, crowded->body) & CCollisionBroadPhase::kPairDisabled);
    EXPECT_EQ(seventh->vy, 0) << "the two exchanged their normal parts";
    EXPECT_EQ(crowded->vy, -0.1);
    WorldEvent ev = {kEventNone, 1, 0, 0, nullptr, nullptr};
    world->FindNextEvent(ev);
    EXPECT_FALSE(ev.type == kEventContact && ev.time == 0) << "no contact due again at once";

    // A bubble sticking beside it, 0.03 away, leaves their pair enabled too.
    double x, y;
    CellCentre(7, 8, x, y);
    CBubble* beside = AddBubble(*world, x, y, false, 4);
    world->StickBubble(beside, x, y);
    EXPECT_FALSE(beside->IsLinkedTo(crowded));
    EXPECT_FALSE(world->broadPhase->GetPairState(beside->body, crowded->body) & CCollisionBroadPhase::kPairDisabled);
    world->RemoveBubble(crowded);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(ContactSolver, LinksBreakAt0_04004)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* a = AddBubble(*world, 0, 0.3, false, 1);
    CBubble* near = AddBubble(*world, 0.04003, 0.3, false, 2);
    CBubble* far = AddBubble(*world, -0.04004, 0.3, false, 3);
    Link(*world, a, near);
    Link(*world, a, far);
    world->DropLostContacts(a);
    EXPECT_TRUE(a->IsLinkedTo(near));
    EXPECT_FALSE(a->IsLinkedTo(far));
    EXPECT_FALSE(far->IsLinkedTo(a));
    EXPECT_FALSE(world->broadPhase->GetPairState(a->body, far->body) & CCollisionBroadPhase::kPairDisabled);
}

TEST(ContactSolver, UnlinkingAOneSidedLinkStillEnablesThePair)
{
    WorldPtr world = NewEmptyWorld();
    CBubble* a = AddBubble(*world, 0.3, 0.3, false, 1);
    CBubble* b = AddBubble(*world, 0.34, 0.3, false, 2);
    CBubble* c = AddBubble(*world, 0.3, 0.34, false, 2);
    Link(*world, a, c);
    a->neighbours[a->neighbourCount++] = b;
    world->broadPhase->SetPairEnabled(a->body, b->body, false);
    a->Unlink(b, *world);
    EXPECT_EQ(a->neighbourCount, 1u);
    EXPECT_EQ(a->neighbours[0], c);
    EXPECT_EQ(b->neighbourCount, 0u);
    EXPECT_FALSE(world->broadPhase->GetPairState(a->body, b->body) & CCollisionBroadPhase::kPairDisabled);
    bool listed = false;
    for (const PairNode* p = world->broadPhase->GetPairs(); p; p = p->next)
        listed |= p->i == a->body && p->j == b->body;
    EXPECT_TRUE(listed) << "overlapping, so reported again";
}
