// Builds worlds for tests and checks the invariants that every frame must keep.
#pragma once

#include <memory>
#include <string>

#include "world/bubble_world.h"
#include "world/play_session.h"

// A zero-filled world that frees its broad phase with it.
struct WorldDeleter
{
    void operator()(CBubbleWorld* world) const
    {
        delete world->broadPhase;
        delete world;
    }
};
using WorldPtr = std::unique_ptr<CBubbleWorld, WorldDeleter>;

inline WorldPtr NewZeroedWorld()
{
    return WorldPtr(new CBubbleWorld());
}

inline WorldPtr BuildTestLevel(CRandomGenerator& rng, int32_t difficulty, uint32_t stage, uint32_t level)
{
    WorldPtr world = NewZeroedWorld();
    PlaySession session{};
    session.difficulty = difficulty;
    session.stage = stage;
    session.level = level;
    world->BuildLevel(rng, session);
    return world;
}

inline void SeedWith(CRandomGenerator& rng, uint32_t seed)
{
    rng.state = static_cast<int32_t>(seed);
    for (uint32_t i = 0; i < 1024; ++i)
        rng.pool[i] = static_cast<uint8_t>(i - seed);
    rng.Refill();
}

inline CRandomGenerator TutorialRng()
{
    CRandomGenerator rng;
    SeedTutorialGenerator(rng);
    return rng;
}

// An empty play world with its broad phase, as a level has it before the grid.
WorldPtr NewEmptyWorld();

// Places a bubble at (x, y) as the next live one. Stuck bubbles are linked
// to the stuck bubbles they touch, as the grid links them.
CBubble* AddBubble(CBubbleWorld& world, double x, double y, bool stuck, uint8_t colour);

// A stuck star far out on the grid, so that play does not turn into clearing.
CBubble* AddStarKeeper(CBubbleWorld& world);

// A grid cell centre, row and column counted from the origin cell.
void CellCentre(int col, int row, double& x, double& y);

// Empty when every invariant holds, else a description of the first broken one.
std::string CheckWorldInvariants(const CBubbleWorld& world);
