#include <gtest/gtest.h>

#include <cmath>

#include "tests/world/world_checks.h"

namespace {

// Game time each level may run before the soak moves on.
const double kLevelSeconds = 300;
const double kFrame = 1.0 / 60;

struct SoakResult
{
    int ended = 0;
    int won = 0;
    uint32_t maxSubSteps = 0;
};

// A scripted player: aims by pointer, now at a star, now anywhere, turns
// with the keys now and then, and asks for a drop in every fourth frame.
struct ScriptedPlayer
{
    CRandomGenerator rng;
    double targetAngle = 0;
    int framesOnTarget = 0;

    void ChooseTarget(const CBubbleWorld& world)
    {
        framesOnTarget = 60 + int(rng.GetBelow(240));
        targetAngle = rng.GetBelow(3600) / 3600.0;
        if (rng.GetBelow(2) == 0)
            return;
        for (uint32_t i = 0; i < world.liveCount; ++i)
        {
            const CBubble* b = world.live[(i + rng.GetBelow(world.liveCount)) % world.liveCount];
            if (b->hasStar)
            {
                targetAngle = std::atan2(b->x, b->y) / (2 * M_PI);
                return;
            }
        }
    }

    void PlayFrame(CBubbleWorld& world)
    {
        if (--framesOnTarget <= 0)
            ChooseTarget(world);
        double wanted = targetAngle - world.angle;
        wanted -= std::floor(wanted + 0.5); // the short way round
        double delta = wanted * world.distance / (world.turnSpeed * 5e-05);
        delta += double(rng.GetBelow(21)) - 10;
        world.mouseDelta = delta < -300 ? -300 : delta > 300 ? 300 : delta;
        if (rng.GetBelow(4) == 0)
            world.dropRequested = 1;
        uint32_t key = rng.GetBelow(120);
        if (key == 0)
            world.leftHeld ^= 1;
        else if (key == 1)
            world.rightHeld ^= 1;
    }
};

bool AllowedChange(int32_t from, int32_t to)
{
    // Play leads to clearing or running out; clearing only to a win; running
    // out to clearing or a loss.
    return (from == kWorldPlay && (to == kWorldClearing || to == kWorldOutOfBubbles)) ||
           (from == kWorldClearing && to == kWorldWon) ||
           (from == kWorldOutOfBubbles && (to == kWorldClearing || to == kWorldLost));
}

void SoakLevel(int32_t difficulty, uint32_t stage, uint32_t level, uint32_t seed, SoakResult& result)
{
    SCOPED_TRACE(testing::Message() << "difficulty " << difficulty << " stage " << stage << " level " << level
                                    << " seed " << seed);
    CRandomGenerator rng;
    SeedWith(rng, seed);
    ScriptedPlayer player;
    SeedWith(player.rng, seed ^ 0x5A5A);
    WorldPtr world = BuildTestLevel(rng, difficulty, stage, level);
    ASSERT_EQ(CheckWorldInvariants(*world), "");
    int32_t lastState = world->state;
    while (world->state < kWorldFinalStates && world->clock < kLevelSeconds)
    {
        player.PlayFrame(*world);
        uint32_t subSteps = world->Step(rng, kFrame);
        if (subSteps > result.maxSubSteps)
            result.maxSubSteps = subSteps;
        ASSERT_EQ(CheckWorldInvariants(*world), "") << "at " << world->clock << " s";
        if (world->state != lastState)
        {
            ASSERT_TRUE(AllowedChange(lastState, world->state)) << lastState << " to " << world->state;
            lastState = world->state;
        }
    }
    if (world->state == kWorldWon)
    {
        EXPECT_EQ(world->liveCount, kCentreBubbles);
        EXPECT_EQ(world->starsLeft, 0u);
    }
    if (world->state == kWorldLost)
    {
        EXPECT_EQ(world->supply, 0u);
    }
    result.ended += world->state >= kWorldFinalStates;
    result.won += world->state == kWorldWon;
}

void SoakDifficulty(int32_t difficulty)
{
    SoakResult result;
    for (uint32_t stage = 0; stage < 4; ++stage)
        for (uint32_t level : {0u, 3u, 9u})
            SoakLevel(difficulty, stage, (level + stage) % 10, 1000 + difficulty * 97 + stage * 13 + level, result);
    EXPECT_LT(result.maxSubSteps, kMaxSubStepsPerFrame) << "the sub-step cap is never reached in play";
    EXPECT_GT(result.ended, 0) << "some levels end within the soak";
    printf("difficulty %d: %d of 12 levels ended, %d won; at most %u sub-steps in a frame\n", difficulty,
           result.ended, result.won, result.maxSubSteps);
}

} // namespace

// Many generated levels played by a script, every invariant checked after
// every frame.
TEST(WorldSoak, Easy) { SoakDifficulty(0); }
TEST(WorldSoak, Medium) { SoakDifficulty(1); }
TEST(WorldSoak, Hard) { SoakDifficulty(2); }
