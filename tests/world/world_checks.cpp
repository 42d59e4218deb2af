#include "tests/world/world_checks.h"

#include <cmath>
#include <sstream>

WorldPtr NewEmptyWorld()
{
    WorldPtr world = NewZeroedWorld();
    world->broadPhase = new CCollisionBroadPhase(kMaxBubbles, 1);
    world->broadPhase->SetGroupCollidesWithGroup0(0);
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
    {
        world->live[i] = &world->pool[i];
        world->pool[i].index = i;
        world->pool[i].body = world->broadPhase->AddObject(0, 0, &world->pool[i]);
    }
    world->gravity = 1;
    world->turnSpeed = 0.5;
    world->reloadInterval = 5;
    world->fastReloadInterval = 0.1;
    world->popInterval = 0.01;
    world->colourCount = 5;
    world->distance = 0.3;
    world->targetDistance = 0.3;
    return world;
}

CBubble* AddBubble(CBubbleWorld& world, double x, double y, bool stuck, uint8_t colour)
{
    CBubble* b = world.live[world.liveCount++];
    b->x = x;
    b->y = y;
    b->stuck = stuck;
    b->touched = stuck;
    b->colour = colour;
    world.broadPhase->SetObjectActive(b->body, true);
    world.broadPhase->SetObjectBounds(b->body, x, y, x, y, kContactRadius);
    if (!stuck)
    {
        world.freeCount += 1;
        return b;
    }
    for (uint32_t i = 0; i + 1 < world.liveCount; ++i)
    {
        CBubble* o = world.live[i];
        double dx = o->x - x, dy = o->y - y;
        if (o->stuck && dx * dx + dy * dy < kLinkDistanceSq && LinkBubbles(b, o))
            world.broadPhase->SetPairEnabled(b->body, o->body, false);
    }
    return b;
}

CBubble* AddStarKeeper(CBubbleWorld& world)
{
    double x, y;
    CellCentre(-12, 12, x, y);
    CBubble* b = AddBubble(world, x, y, true, 1);
    b->hasStar = 1;
    world.starsLeft += 1;
    return b;
}

void CellCentre(int col, int row, double& x, double& y)
{
    x = col * kColumnPitch + ((row % 2 != 0) ? kOddRowShift : 0.0);
    y = row * GridRowHeight();
}

namespace {

bool Finite(const CBubble* b)
{
    return std::isfinite(b->x) && std::isfinite(b->y) && std::isfinite(b->vx) && std::isfinite(b->vy);
}

int CountLinks(const CBubble* from, const CBubble* to)
{
    int n = 0;
    for (uint32_t k = 0; k < from->neighbourCount; ++k)
        n += from->neighbours[k] == to;
    return n;
}

} // namespace

std::string CheckWorldInvariants(const CBubbleWorld& world)
{
    std::ostringstream out;
    if (world.liveCount > kMaxBubbles)
        return "liveCount beyond the pool";
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
    {
        if (world.live[i]->index != i)
        {
            out << "live[" << i << "]->index is " << world.live[i]->index;
            return out.str();
        }
    }
    uint32_t free = 0;
    uint32_t stars = 0;
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        const CBubble* b = world.live[i];
        free += !b->stuck;
        stars += b->hasStar;
        if (!Finite(b))
        {
            out << "bubble " << i << " is not finite";
            return out.str();
        }
        if (b->neighbourCount > kMaxNeighbours)
            return "more than six links";
        if (!world.broadPhase->IsObjectActive(b->body))
            return "live bubble inactive in the broad phase";
        for (uint32_t k = 0; k < b->neighbourCount; ++k)
        {
            const CBubble* o = b->neighbours[k];
            if (!world.IsLive(o))
            {
                out << "bubble " << i << " links an idle record";
                return out.str();
            }
            if (CountLinks(b, o) != 1 || CountLinks(o, b) != 1)
            {
                out << "link of bubble " << i << " is not mutual or is doubled";
                return out.str();
            }
        }
        if (b->stuck && !b->centre)
        {
            double cx, cy;
            SnapToHexGrid(b->x, b->y, cx, cy);
            if (cx != b->x || cy != b->y)
            {
                out << "stuck bubble " << i << " off its cell centre (" << b->x << ", " << b->y << ")";
                return out.str();
            }
        }
    }
    for (uint32_t i = world.liveCount; i < kMaxBubbles; ++i)
        if (world.broadPhase->IsObjectActive(world.live[i]->body))
            return "idle record active in the broad phase";
    if (free != world.freeCount)
    {
        out << "freeCount " << world.freeCount << " but " << free << " free bubbles";
        return out.str();
    }
    if (stars != world.starsLeft)
    {
        out << "starsLeft " << world.starsLeft << " but " << stars << " stars held";
        return out.str();
    }
    bool occupied[64][64] = {};
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        const CBubble* b = world.live[i];
        if (!b->stuck)
            continue;
        int row = int(std::trunc(b->y / GridRowHeight() + 32.5));
        int col = int(std::trunc((b->x - (row % 2 ? kOddRowShift : 0)) * kColumnsPerUnit + 32.5));
        if (row < 0 || row >= 64 || col < 0 || col >= 64)
            return "stuck bubble outside the grid";
        if (occupied[row][col])
        {
            out << "two stuck bubbles share the cell (" << b->x << ", " << b->y << ")";
            return out.str();
        }
        occupied[row][col] = true;
    }
    if (world.queueCount > kMaxQueued || world.popCount > kMaxPops || world.freedStarCount > kMaxFreedStars)
        return "an array count past its size";
    if (world.state != kWorldTutorial && world.supply < world.queueCount)
        return "fewer bubbles in supply than queued";
    if (!std::isfinite(world.angle) || !std::isfinite(world.distance) || !std::isfinite(world.clock))
        return "dropper or clock not finite";
    return std::string();
}
