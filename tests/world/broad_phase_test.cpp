#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "world/broad_phase.h"
#include "world/random_generator.h"

namespace {

using PairList = std::vector<std::pair<uint32_t, uint32_t>>;

PairList Pairs(CCollisionBroadPhase& bp)
{
    PairList out;
    for (const PairNode* p = bp.GetPairs(); p; p = p->next)
        out.emplace_back(p->i, p->j);
    return out;
}

// A broad phase of n objects in group 0, colliding with itself.
struct SingleGroup
{
    CCollisionBroadPhase bp;
    explicit SingleGroup(uint32_t n) : bp(n, 1)
    {
        bp.SetGroupCollidesWithGroup0(0);
        for (uint32_t i = 0; i < n; ++i)
            bp.AddObject(0, i, nullptr);
    }
    void Box(uint32_t i, double x0, double y0, double x1, double y1) { bp.MoveEndpoints(i, x0, y0, y1, x1); }
    // Object 0 at the unit square and object 1 at (x, y) of the same size, both active.
    void TwoBoxes(double x, double y)
    {
        Box(0, 0, 0, 1, 1);
        Box(1, x, y, x + 1, y + 1);
        bp.SetObjectActive(0, true);
        bp.SetObjectActive(1, true);
    }
};

} // namespace

TEST(BroadPhase, OverlappingBoxesPairOnceLowerIndexFirst)
{
    SingleGroup g(3);
    g.Box(0, 0, 0, 1, 1);
    g.Box(1, 0.5, 0.5, 1.5, 1.5);
    g.Box(2, 5, 5, 6, 6);
    g.bp.SetObjectActive(1, true);
    g.bp.SetObjectActive(0, true);
    g.bp.SetObjectActive(2, true);
    EXPECT_EQ(Pairs(g.bp), (PairList{{0, 1}}));
    EXPECT_EQ(g.bp.GetPairState(0, 1), CCollisionBroadPhase::kPairReported);
    EXPECT_EQ(Pairs(g.bp), (PairList{{0, 1}})) << "a listed pair stays listed";
}

TEST(BroadPhase, NewestPairComesFirst)
{
    SingleGroup g(3);
    for (uint32_t i = 0; i < 3; ++i)
        g.Box(i, 0, 0, 1, 1);
    g.bp.SetObjectActive(0, true);
    g.bp.SetObjectActive(1, true);
    g.bp.SetObjectActive(2, true);
    EXPECT_EQ(Pairs(g.bp), (PairList{{1, 2}, {0, 2}, {0, 1}}));
}

TEST(BroadPhase, TouchingEdgesDoNotPairInEitherOrder)
{
    for (int order = 0; order < 2; ++order)
    {
        SingleGroup g(2);
        g.Box(0, 0, 0, 1, 1);
        g.Box(1, 1, 0, 2, 1);
        g.bp.SetObjectActive(order, true);
        g.bp.SetObjectActive(1 - order, true);
        EXPECT_TRUE(Pairs(g.bp).empty()) << "order " << order;
    }
}

TEST(BroadPhase, MovingOntoAnEdgeKeepsThePairsState)
{
    SingleGroup g(2);
    g.TwoBoxes(0.5, 0);
    EXPECT_EQ(Pairs(g.bp).size(), 1u);
    g.Box(1, 1, 0, 2, 1); // now only touching: equal values never swap
    EXPECT_EQ(Pairs(g.bp).size(), 1u);
    g.Box(1, 1.5, 0, 2.5, 1);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.Box(1, 1, 0, 2, 1);
    EXPECT_TRUE(Pairs(g.bp).empty()) << "touching again from outside stays apart";
}

TEST(BroadPhase, NanBoundLeavesTheEndpoint)
{
    SingleGroup g(2);
    g.TwoBoxes(2, 0);
    g.bp.MoveEndpoints(1, NAN, 0.5, NAN, 3);
    EXPECT_EQ(g.bp.GetEndpoint(1, 0).value, 2.0);
    EXPECT_EQ(g.bp.GetEndpoint(1, 2).value, 0.5);
    EXPECT_EQ(g.bp.GetEndpoint(1, 3).value, 1.0);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.bp.MoveEndpoints(1, 0.5, NAN, NAN, NAN);
    EXPECT_EQ(g.bp.GetEndpoint(1, 0).value, 0.5);
    EXPECT_EQ(g.bp.GetEndpoint(1, 1).value, 3.0);
    EXPECT_EQ(Pairs(g.bp).size(), 1u);
}

TEST(BroadPhase, DisabledPairDropsOutAndComesBackWhenEnabled)
{
    SingleGroup g(2);
    g.TwoBoxes(0.5, 0.5);
    g.bp.SetPairEnabled(1, 0, false);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.bp.SetPairEnabled(0, 1, false);
    EXPECT_EQ(g.bp.GetPairState(0, 1), 0x44);
    g.bp.SetPairEnabled(0, 1, true);
    EXPECT_EQ(Pairs(g.bp), (PairList{{0, 1}}));

    // Enabled again after it stopped overlapping: nothing to report.
    g.bp.SetPairEnabled(0, 1, false);
    g.Box(1, 3, 3, 4, 4);
    g.bp.SetPairEnabled(0, 1, true);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.Box(1, 0.5, 0.5, 1.5, 1.5);
    EXPECT_EQ(Pairs(g.bp).size(), 1u);
}

TEST(BroadPhase, ReactivationReportsAgainEvenIfDisabled)
{
    SingleGroup g(2);
    g.TwoBoxes(0.5, 0.5);
    g.bp.SetPairEnabled(0, 1, false);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.bp.SetObjectActive(1, false);
    EXPECT_EQ(g.bp.GetPairState(0, 1), 0);
    EXPECT_TRUE(Pairs(g.bp).empty());
    g.bp.SetObjectActive(1, true);
    EXPECT_EQ(Pairs(g.bp), (PairList{{0, 1}}));
}

TEST(BroadPhase, ReactivationWithoutPurgeListsThePairTwice)
{
    SingleGroup g(2);
    g.TwoBoxes(0.5, 0.5);
    g.bp.SetObjectActive(1, false);
    g.bp.SetObjectActive(1, true);
    EXPECT_EQ(Pairs(g.bp), (PairList{{0, 1}, {0, 1}}));
}

TEST(BroadPhase, InactiveObjectsTakeBoundsButNeverPair)
{
    SingleGroup g(2);
    g.Box(0, 0, 0, 1, 1);
    g.bp.SetObjectActive(0, true);
    g.Box(1, 0.5, 0.5, 1.5, 1.5);
    EXPECT_TRUE(Pairs(g.bp).empty());
    EXPECT_EQ(g.bp.GetEndpoint(1, 1).value, 1.5);
    g.bp.SetObjectActive(1, true);
    EXPECT_EQ(Pairs(g.bp).size(), 1u);
}

TEST(BroadPhase, GroupsThatDoNotCollideAreCountedButNeverListed)
{
    CCollisionBroadPhase bp(3, 3);
    bp.SetGroupCollidesWithGroup0(1);
    bp.SetGroupCollidesWithGroup0(2);
    uint32_t wall = bp.AddObject(1, 7, nullptr);
    uint32_t dome = bp.AddObject(2, 8, nullptr);
    uint32_t bubble = bp.AddObject(0, 9, nullptr);
    for (uint32_t i = 0; i < 3; ++i)
    {
        bp.MoveEndpoints(i, 0, 0, 1, 1);
        bp.SetObjectActive(i, true);
    }
    EXPECT_EQ(bp.GetPairState(wall, dome), 4) << "counted, not listed";
    EXPECT_EQ(Pairs(bp), (PairList{{dome, bubble}, {wall, bubble}}));
    EXPECT_EQ(bp.GetObjectGroup(dome), 2);
    EXPECT_EQ(bp.GetObjectTag(bubble), 9u);
    bp.SetPairEnabled(wall, dome, false);
    bp.SetPairEnabled(wall, dome, true);
    EXPECT_EQ(Pairs(bp).size(), 2u) << "enabling a non-colliding pair reports nothing";
}

TEST(BroadPhase, BadGroupsAndFullCapacityThrow)
{
    CCollisionBroadPhase none(4, 0);
    EXPECT_THROW(none.SetGroupCollidesWithGroup0(0), const char*);
    CCollisionBroadPhase bp(1, 2);
    EXPECT_THROW(bp.SetGroupCollidesWithGroup0(2), const char*);
    try
    {
        bp.AddObject(2, 0, nullptr);
        FAIL();
    }
    catch (const char* guid)
    {
        EXPECT_STREQ(guid, "{D5328639-AF02-422b-AD04-42B0F0ADEB4C}");
    }
    EXPECT_EQ(bp.AddObject(1, 0, nullptr), 0u);
    try
    {
        bp.AddObject(0, 0, nullptr);
        FAIL();
    }
    catch (const char* guid)
    {
        EXPECT_STREQ(guid, "{A763B482-6C39-4fea-9FFC-C07DCAB4CD76}");
    }
}

TEST(BroadPhase, ManyPairsSpillIntoFurtherNodeBlocks)
{
    // 60 boxes all overlapping give 1770 pairs: six node blocks. The sanitizer
    // build catches a block sized for smaller nodes.
    const uint32_t n = 60;
    SingleGroup g(n);
    for (uint32_t i = 0; i < n; ++i)
    {
        g.Box(i, i * 0.01, 0, 1 + i * 0.01, 1);
        g.bp.SetObjectActive(i, true);
    }
    PairList pairs = Pairs(g.bp);
    EXPECT_EQ(pairs.size(), n * (n - 1) / 2);
    std::set<std::pair<uint32_t, uint32_t>> unique(pairs.begin(), pairs.end());
    EXPECT_EQ(unique.size(), pairs.size());
    // Nodes return to the free list and are reused.
    for (uint32_t i = 0; i < n; ++i)
        g.bp.SetObjectActive(i, false);
    EXPECT_TRUE(Pairs(g.bp).empty());
    for (uint32_t i = 0; i < n; ++i)
        g.bp.SetObjectActive(i, true);
    EXPECT_EQ(Pairs(g.bp).size(), pairs.size());
}

TEST(BroadPhase, AgreesWithBruteForceUnderRandomMotion)
{
    const uint32_t n = 120;
    SingleGroup g(n);
    CRandomGenerator rng;
    SeedTutorialGenerator(rng);
    auto coord = [&rng](double range) { return rng.GetBelow(10000) * range / 10000; };
    std::vector<double> box(4 * n);
    std::vector<bool> active(n);
    for (int round = 0; round < 300; ++round)
    {
        uint32_t i = rng.GetBelow(n);
        if (rng.GetBelow(8) == 0)
        {
            active[i] = !active[i];
            g.bp.SetObjectActive(i, active[i]);
        }
        else
        {
            double x = coord(1), y = coord(1), w = coord(0.2), h = coord(0.2);
            box[4 * i] = x, box[4 * i + 1] = y, box[4 * i + 2] = x + w, box[4 * i + 3] = y + h;
            g.Box(i, x, y, x + w, y + h);
        }
        std::set<std::pair<uint32_t, uint32_t>> expected;
        for (uint32_t a = 0; a < n; ++a)
            for (uint32_t b = a + 1; b < n; ++b)
            {
                const double* p = &box[4 * a];
                const double* q = &box[4 * b];
                if (active[a] && active[b] && p[0] < q[2] && q[0] < p[2] && p[1] < q[3] && q[1] < p[3])
                    expected.insert({a, b});
            }
        PairList got = Pairs(g.bp);
        std::set<std::pair<uint32_t, uint32_t>> gotSet(got.begin(), got.end());
        ASSERT_EQ(gotSet, expected) << "round " << round;
        ASSERT_EQ(got.size(), expected.size());
    }
}
