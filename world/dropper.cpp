#include <cmath>

#include "world/bubble_world.h"

namespace {

// The feed ends 0.35 beyond the dropper; its front entry, where a bubble
// leaves, stands one swing arm short of that.
const double kFeedEnd = 0.35;
const double kFeedArm = 0.14393939393939395;

} // namespace

void CBubbleWorld::FireBubble(CRandomGenerator& rng)
{
    if (liveCount < kMaxBubbles)
    {
        CBubble* b = live[liveCount];
        liveCount += 1;
        b->stuck = 0;
        b->centre = 0;
        b->hasStar = 0;
        b->supportCcw = 0;
        b->supportCw = 0;
        b->supportIn = 0;
        b->touched = 0;
        broadPhase->SetObjectActive(b->body, true);
        b->colour = queue[0].colour;

        double a = 2 * M_PI * angle;
        double sinA = std::sin(a);
        double cosA = std::cos(a);
        // After a fast turn the dropper can still be easing out from inside
        // the cluster: it comes out with the shot, so that the bubble leaves
        // from where the dropper is drawn and clear of the cluster.
        double r = distance + kFeedEnd - kFeedArm;
        double clear = DropperTargetAt(angle);
        if (r < clear)
        {
            r = clear;
            distance = clear - (kFeedEnd - kFeedArm);
        }
        b->x = r * sinA;
        b->y = r * cosA;
        // A small sideways jitter, so that drops along one line still differ.
        uint32_t u = rng.GetUInt32();
        double j = (u / 4294967296.0 - 0.5) * 0.01 * 0.2 * gravity;
        b->vx = -0.2 * gravity * sinA + j * cosA;
        b->vy = -0.2 * gravity * cosA + j * -sinA;
        freeCount += 1;
        // The tutorial queues bubbles of its own beyond the supply.
        if (supply > 0)
            supply -= 1;
    }
    for (uint32_t i = 1; i < queueCount; ++i)
        queue[i - 1] = queue[i];
    queueCount -= 1;
    dropRequested = 0;
    firePending = 1;
}

void CBubbleWorld::ReloadQueue(CRandomGenerator& rng)
{
    if (queueCount >= kMaxQueued)
    {
        sinceReload = 0;
        return;
    }
    uint8_t c = uint8_t(rng.GetBelow(int(colourCount)) + 1);
    // Two redraws make a repeat of the colour before rare, not impossible.
    if (queueCount >= 1 && c == queue[queueCount - 1].colour)
    {
        c = uint8_t(rng.GetBelow(int(colourCount)) + 1);
        if (c == queue[queueCount - 1].colour)
            c = uint8_t(rng.GetBelow(int(colourCount)) + 1);
    }
    queue[queueCount] = QueuedBubble{0, 0, c};
    queueCount += 1;
    sinceReload = 0;
}
