#include <cmath>

#include "world/bubble_world.h"

namespace {

const double kRestingSpeedSq = 1e-6;
const double kStickDistanceSq = 0.0001; // within 0.01 of a cell centre
const double kFreedStarSpeed = 0.08;

void ClearSupport(CBubble* b)
{
    b->supportCcw = 0;
    b->supportCw = 0;
    b->supportIn = 0;
}

void UnlinkAll(CBubble* b, CBubbleWorld& world)
{
    while (b->neighbourCount > 0)
        b->Unlink(b->neighbours[0], world);
}

bool IsListed(CBubble* const* list, uint32_t count, const CBubble* b)
{
    for (uint32_t i = 0; i < count; ++i)
        if (list[i] == b)
            return true;
    return false;
}

} // namespace

void CBubbleWorld::SettleResting()
{
    double innermostSq = INFINITY;
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        const CBubble* b = live[i];
        double distSq = b->x * b->x + b->y * b->y;
        if (!b->stuck && distSq < innermostSq)
            innermostSq = distSq;
    }
    // A burst reorders live; the pass goes on over the list as it then stands.
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        CBubble* b = live[i];
        if (b->stuck)
            continue;
        ClearSupport(b);
        double speedSq = b->vx * b->vx + b->vy * b->vy;
        if (speedSq < kRestingSpeedSq && b->IsSupported(b->x * b->x + b->y * b->y <= innermostSq))
        {
            double cellX, cellY;
            SnapToHexGrid(b->x, b->y, cellX, cellY);
            double dx = b->x - cellX;
            double dy = b->y - cellY;
            if (dx * dx + dy * dy < kStickDistanceSq)
                StickBubble(b, cellX, cellY);
        }
    }
}

bool CBubble::IsSupported(bool innermost)
{
    // Held toward the centre and wedged on both sides, directly by stuck
    // bubbles or through free ones that are themselves held on that side.
    // The innermost free bubble may rest on free neighbours.
    const double inX = -x, inY = -y;
    const double ccwX = -y, ccwY = x;
    const double cwX = y, cwY = -x;
    for (uint32_t k = 0; k < neighbourCount; ++k)
    {
        const CBubble* o = neighbours[k];
        if (!o->stuck && !innermost)
            continue;
        double dx = o->x - x;
        double dy = o->y - y;
        if (dx * inX + dy * inY > 0)
            supportIn = 1;
        if (dx * ccwX + dy * ccwY > 0)
            supportCcw = 1;
        if (dx * cwX + dy * cwY > 0)
            supportCw = 1;
    }
    for (uint32_t k = 0; k < neighbourCount; ++k)
    {
        const CBubble* o = neighbours[k];
        if (o->stuck)
            continue;
        double dx = o->x - x;
        double dy = o->y - y;
        if (dx * ccwX + dy * ccwY > 0 && o->supportIn && o->supportCcw)
            supportCcw = 1;
        if (dx * cwX + dy * cwY > 0 && o->supportIn && o->supportCw)
            supportCw = 1;
    }
    return supportIn && supportCcw && supportCw;
}

void CBubbleWorld::StickBubble(CBubble* b, double cellX, double cellY)
{
    freeCount -= 1;
    b->vx = 0;
    b->vy = 0;
    b->x = cellX;
    b->y = cellY;
    b->stuck = 1;
    UnlinkAll(b, *this);
    for (uint32_t i = liveCount; i-- > 0;)
    {
        CBubble* o = live[i];
        if (o == b)
            continue;
        double dx = o->x - b->x;
        double dy = o->y - b->y;
        // Without room for a link the pair stays enabled, to meet as a contact.
        if (dx * dx + dy * dy < kLinkDistanceSq && LinkBubbles(b, o))
            broadPhase->SetPairEnabled(b->body, o->body, false);
    }

    CBubble* group[kMaxBurstGroup];
    uint32_t count = CollectSameColour(b, group);
    if (count < 3)
        return;
    for (uint32_t i = 0; i < count && popCount < kMaxPops; ++i)
        pops[popCount++] = PopEffect{group[i]->x, group[i]->y, group[i]->colour, 0};
    for (uint32_t i = 0; i < count; ++i)
        ReleaseOutward(group[i]);
    for (uint32_t i = 0; i < count; ++i)
        RemoveBubble(group[i]);
    popPending = 1;
}

uint32_t CBubbleWorld::CollectSameColour(CBubble* b, CBubble** out)
{
    if (b->colour == 0) // the centre never bursts
        return 0;
    out[0] = b;
    uint32_t count = 1;
    // Breadth first: a larger group bursts only its first 32.
    for (uint32_t g = 0; g < count && count < kMaxBurstGroup; ++g)
    {
        const CBubble* listed = out[g];
        for (uint32_t k = 0; k < listed->neighbourCount; ++k)
        {
            CBubble* o = listed->neighbours[k];
            if (o->colour == b->colour && count < kMaxBurstGroup && !IsListed(out, count, o))
                out[count++] = o;
        }
    }
    return count;
}

void CBubbleWorld::ReleaseOutward(CBubble* b)
{
    if (!b->stuck || b->centre || freeCount >= kMaxFreeForRelease)
        return;
    freeCount += 1;
    b->stuck = 0;
    ClearSupport(b);
    // Released bubbles keep their links and zero velocity; the pull brings
    // them in again and they stick where they next come to rest.
    double distSq = b->x * b->x + b->y * b->y;
    for (uint32_t k = 0; k < b->neighbourCount; ++k)
    {
        CBubble* o = b->neighbours[k];
        if (o->x * o->x + o->y * o->y > distSq)
            ReleaseOutward(o);
    }
}

void CBubbleWorld::RemoveBubble(CBubble* b)
{
    if (!b->stuck)
        freeCount -= 1;
    if (b->hasStar)
    {
        if (freedStarCount < kMaxFreedStars)
        {
            // Outward from the centre; a bubble at the exact centre has no
            // outward direction, and its star stays where it was freed.
            double length = std::sqrt(b->x * b->x + b->y * b->y);
            double vx = length > 0 ? kFreedStarSpeed * b->x / length : 0;
            double vy = length > 0 ? kFreedStarSpeed * b->y / length : 0;
            freedStars[freedStarCount++] = FreedStar{b->x, b->y, vx, vy, 0};
        }
        if (starsLeft > 0)
            starsLeft -= 1;
        starPending = 1;
    }
    broadPhase->SetObjectActive(b->body, false);
    UnlinkAll(b, *this);

    liveCount -= 1;
    CBubble* last = live[liveCount];
    uint32_t place = b->index;
    live[place] = last;
    live[liveCount] = b;
    last->index = place;
    b->index = liveCount;
}

void CBubbleWorld::BurstBubble(CBubble* b)
{
    if (popCount < kMaxPops)
        pops[popCount++] = PopEffect{b->x, b->y, b->colour, 0};
    RemoveBubble(b);
    popPending = 1;
}

void CBubbleWorld::PopRandomBubble(CRandomGenerator& rng)
{
    if (popCount < kMaxPops && liveCount > 0)
    {
        CBubble* candidates[kMaxBubbles];
        uint32_t count = 0;
        for (uint32_t i = 0; i < liveCount; ++i)
            if (!live[i]->centre)
                candidates[count++] = live[i];
        if (count > 0)
        {
            CBubble* b = candidates[rng.GetBelow(int(count))];
            pops[popCount++] = PopEffect{b->x, b->y, b->colour, 0};
            RemoveBubble(b);
            popPending = 1;
        }
    }
    sincePop = 0;
}
