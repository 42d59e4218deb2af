#include <gtest/gtest.h>

#include <cmath>

#include "tests/world/world_checks.h"

namespace {

struct LevelRow
{
    int32_t difficulty;
    uint32_t stage, level; // as the player sees them, from 1
    uint32_t bubbles, supply, stars, colours;
    double reload, gravity;
};

const LevelRow kLevelTable[] = {
    {0, 1, 1, 55, 220, 2, 5, 5, 1},
    {0, 2, 1, 55, 183, 2, 5, 4.3875, 1.25},
    {1, 2, 5, 235, 587, 23, 7, 3.1625, 1.75},
    {2, 1, 10, 595, 1190, 89, 8, 2.55, 2},
    {2, 4, 10, 595, 595, 89, 11, 0.7125, 2.75},
};

const CBubble* BubbleAt(const CBubbleWorld& world, double x, double y)
{
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        const CBubble* b = world.live[i];
        double dx = b->x - x, dy = b->y - y;
        if (dx * dx + dy * dy < 0.0001)
            return b;
    }
    return nullptr;
}

} // namespace

TEST(LevelGenerator, TableOfGeneratedParameters)
{
    for (const LevelRow& row : kLevelTable)
    {
        CRandomGenerator rng;
        SeedWith(rng, 1234);
        WorldPtr world = BuildTestLevel(rng, row.difficulty, row.stage - 1, row.level - 1);
        SCOPED_TRACE(testing::Message() << "difficulty " << row.difficulty << " stage " << row.stage << " level "
                                        << row.level);
        EXPECT_EQ(world->liveCount, row.bubbles);
        EXPECT_EQ(world->supply, row.supply);
        EXPECT_EQ(world->starsLeft, row.stars);
        EXPECT_EQ(world->colourCount, row.colours);
        EXPECT_DOUBLE_EQ(world->reloadInterval, row.reload);
        EXPECT_DOUBLE_EQ(world->gravity, row.gravity);
        EXPECT_EQ(world->fastReloadInterval, 0.1);
        EXPECT_EQ(world->popInterval, 0.01);
        EXPECT_EQ(world->state, kWorldPlay);
        EXPECT_EQ(world->freeCount, 0u);
        EXPECT_EQ(world->queueCount, 0u);
        EXPECT_EQ(world->distance, world->targetDistance + 0.2);
        EXPECT_EQ(CheckWorldInvariants(*world), "");
    }
}

TEST(LevelGenerator, DiscSizesAndStarCountsAcrossAllLevels)
{
    const uint32_t sizes[10] = {55, 85, 121, 169, 235, 295, 361, 433, 511, 595};
    for (int32_t d = 0; d < 3; ++d)
        for (uint32_t l = 0; l < 10; ++l)
        {
            CRandomGenerator rng;
            SeedWith(rng, 77 + l);
            WorldPtr world = BuildTestLevel(rng, d, 0, l);
            ASSERT_EQ(world->liveCount, sizes[l]) << "level " << l;
            EXPECT_EQ(world->starsLeft, (uint32_t(d + 1) * sizes[l]) / 20);
        }
}

TEST(LevelGenerator, CentreNeighboursLinksColoursAndStars)
{
    for (uint32_t seed = 1; seed <= 12; ++seed)
    {
        CRandomGenerator rng;
        SeedWith(rng, seed * 101);
        WorldPtr world = BuildTestLevel(rng, int32_t(seed % 3), seed % 4, seed % 10);
        uint32_t centres = 0, stars = 0;
        for (uint32_t i = 0; i < world->liveCount; ++i)
        {
            const CBubble* b = world->live[i];
            ASSERT_TRUE(b->stuck && b->touched);
            if (b->centre)
            {
                ++centres;
                EXPECT_EQ(b->colour, 0);
                EXPECT_FALSE(b->hasStar) << "a star in a centre bubble";
                EXPECT_LT(b->x * b->x + b->y * b->y, 0.042 * 0.042);
                continue;
            }
            stars += b->hasStar;
            EXPECT_GE(b->colour, 1);
            EXPECT_LE(b->colour, world->colourCount);
            for (uint32_t k = 0; k < b->neighbourCount; ++k)
            {
                const CBubble* o = b->neighbours[k];
                EXPECT_NE(o->colour, b->colour) << "neighbours share a colour";
                double dx = o->x - b->x, dy = o->y - b->y;
                EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 0.04, 1e-4) << "linked bubbles are grid neighbours";
                EXPECT_EQ(world->broadPhase->GetPairState(b->body, o->body) & CCollisionBroadPhase::kPairDisabled,
                          CCollisionBroadPhase::kPairDisabled);
            }
        }
        EXPECT_EQ(centres, 7u);
        EXPECT_EQ(stars, world->starsLeft);
        EXPECT_EQ(world->broadPhase->GetPairs(), nullptr) << "every neighbour pair is disabled";
        EXPECT_EQ(CheckWorldInvariants(*world), "");
    }
}

TEST(LevelGenerator, SameSeedSameLevel)
{
    CRandomGenerator a, b;
    SeedWith(a, 4242);
    SeedWith(b, 4242);
    WorldPtr first = BuildTestLevel(a, 1, 2, 6);
    WorldPtr second = BuildTestLevel(b, 1, 2, 6);
    ASSERT_EQ(first->liveCount, second->liveCount);
    for (uint32_t i = 0; i < first->liveCount; ++i)
    {
        EXPECT_EQ(first->live[i]->colour, second->live[i]->colour);
        EXPECT_EQ(first->live[i]->hasStar, second->live[i]->hasStar);
    }
    EXPECT_EQ(0, memcmp(&a, &b, sizeof a));
}

TEST(LevelGenerator, ControlSettingsGiveTheTurnSpeed)
{
    const double speeds[4] = {0.25, 0.5, 1.0, 1.0};
    for (int32_t speed = 0; speed < 4; ++speed)
        for (int32_t direction = 0; direction < 2; ++direction)
        {
            CRandomGenerator rng;
            SeedWith(rng, 5);
            WorldPtr world = NewZeroedWorld();
            PlaySession session{};
            session.speed = speed;
            session.direction = direction;
            world->BuildLevel(rng, session);
            EXPECT_EQ(world->turnSpeed, direction == 1 ? -speeds[speed] : speeds[speed]);
        }
}

TEST(LevelGenerator, OutOfRangeDifficultyAndStageAreClamped)
{
    // From a hand-edited store: without the clamp these gave a huge star count,
    // a negative reload interval and colours past the table.
    const int32_t difficulties[] = {-1, -100, 3, 2147483647};
    for (int32_t d : difficulties)
    {
        CRandomGenerator rng;
        SeedWith(rng, 9);
        WorldPtr world = BuildTestLevel(rng, d, 0, 9);
        int32_t used = d < 0 ? 0 : 2;
        EXPECT_EQ(world->starsLeft, (uint32_t(used + 1) * 595) / 20) << d;
        EXPECT_GT(world->reloadInterval, 0);
        EXPECT_LE(world->colourCount, 12u);
    }
    CRandomGenerator rng;
    SeedWith(rng, 9);
    WorldPtr world = BuildTestLevel(rng, 2, 40, 0);
    EXPECT_EQ(world->colourCount, 11u);
    EXPECT_DOUBLE_EQ(world->reloadInterval, 0.7125);
    EXPECT_EQ(CheckWorldInvariants(*world), "");
}

TEST(LevelGenerator, TutorialLevelHoldsWhatItsTextsSpeakOf)
{
    CRandomGenerator rng;
    SeedTutorialGenerator(rng);
    WorldPtr world = NewZeroedWorld();
    PlaySession session{};
    world->BuildLevel(rng, session);
    EXPECT_EQ(world->liveCount, 55u);
    EXPECT_EQ(world->colourCount, 5u);
    EXPECT_EQ(world->starsLeft, 2u);
    EXPECT_NEAR(world->targetDistance, 0.18856545, 1e-8);

    const CBubble* aimed = BubbleAt(*world, 0.06, 0.103923);
    ASSERT_NE(aimed, nullptr);
    EXPECT_EQ(aimed->colour, 4);

    const CBubble* blue = BubbleAt(*world, 0.12037747500000001, 0.0695);
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(blue->colour, 3);
    for (uint32_t k = 0; k < blue->neighbourCount; ++k)
        EXPECT_NE(blue->neighbours[k]->colour, 3);

    const CBubble* starred = BubbleAt(*world, 0.04, -0.139);
    ASSERT_NE(starred, nullptr);
    EXPECT_EQ(starred->colour, 3);
    EXPECT_TRUE(starred->hasStar);

    const CBubble* other = BubbleAt(*world, -0.02, 0.10392);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->colour, 4);
    EXPECT_TRUE(other->hasStar);
}

TEST(HexGrid, SnapReturnsCellCentres)
{
    double x, y;
    SnapToHexGrid(0, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    for (int row = -13; row <= 13; ++row)
        for (int col = -13; col <= 13; ++col)
        {
            double cx, cy;
            CellCentre(col, row, cx, cy);
            SnapToHexGrid(cx, cy, x, y);
            EXPECT_EQ(x, cx);
            EXPECT_EQ(y, cy);
            SnapToHexGrid(cx + 0.009, cy - 0.009, x, y);
            EXPECT_EQ(x, cx);
            EXPECT_EQ(y, cy);
        }
}

TEST(DropperTarget, FollowsTheOutermostTouchedBubbleInTheDropperDirection)
{
    WorldPtr world = NewEmptyWorld();
    world->UpdateDropperTarget();
    EXPECT_DOUBLE_EQ(world->targetDistance, 0.1);
    AddBubble(*world, 0, 0.2, true, 1);
    CBubble* flying = AddBubble(*world, 0, 0.3, false, 1);
    world->UpdateDropperTarget();
    EXPECT_DOUBLE_EQ(world->targetDistance, 0.25) << "an untouched flying bubble does not count";
    flying->touched = 1;
    world->UpdateDropperTarget();
    EXPECT_DOUBLE_EQ(world->targetDistance, 0.35);
    world->angle = 0.5; // pointing down
    world->UpdateDropperTarget();
    EXPECT_DOUBLE_EQ(world->targetDistance, 0.1);
}
