#include <cmath>
#include <utility>

#include "world/bubble_world.h"

namespace {

const double kApproachThreshold = -1e-16;
const uint32_t kMaxVisits = 20;
const uint32_t kFreezeVisits = 15;
const uint32_t kDampVisits = 10;
const double kBounce = 0.2; // a fifth of the approaching part, reversed

void Push(CBubble** queue, uint32_t& tail, CBubble* b)
{
    queue[tail % kMaxBubbles] = b;
    tail += 1;
    b->queued = 1;
}

// Turns back b's approach to o along their line of centres, the more weakly
// the more often b was visited in this solver run.
void RespondToApproach(CBubble* b, CBubble* o, uint32_t visits)
{
    double dpx = b->x - o->x;
    double dpy = b->y - o->y;
    double length = std::sqrt(dpx * dpx + dpy * dpy);
    double nx = dpx / length; // from o toward b
    double ny = dpy / length;
    double tx = ny;
    double ty = -nx;
    double bn = b->vx * nx + b->vy * ny;
    double bt = b->vx * tx + b->vy * ty;
    double on = o->vx * nx + o->vy * ny;
    double ot = o->vx * tx + o->vy * ty;
    if (visits >= kFreezeVisits)
    {
        b->vx = 0;
        b->vy = 0;
    }
    else if (visits >= kDampVisits)
    {
        if (bn < 0)
        {
            double follow = on < 0 ? on : 0;
            b->vx = bt * tx + follow * nx;
            b->vy = bt * ty + follow * ny;
        }
    }
    else if (o->stuck)
    {
        b->vx = bt * tx - kBounce * bn * nx;
        b->vy = bt * ty - kBounce * bn * ny;
    }
    else
    {
        b->vx = bt * tx + on * nx;
        b->vy = bt * ty + on * ny;
        o->vx = ot * tx + bn * nx;
        o->vy = ot * ty + bn * ny;
    }
}

} // namespace

bool Approaching(const CBubble* a, const CBubble* b)
{
    double dpx = a->x - b->x;
    double dpy = a->y - b->y;
    return dpx * (a->vx - b->vx) + dpy * (a->vy - b->vy) < kApproachThreshold;
}

bool LinkBubbles(CBubble* a, CBubble* b)
{
    // Links stay mutual: a one-sided link would outlive the other bubble's
    // removal and point at an idle or reused record.
    if (a->neighbourCount >= kMaxNeighbours || b->neighbourCount >= kMaxNeighbours)
        return false;
    a->neighbours[a->neighbourCount++] = b;
    b->neighbours[b->neighbourCount++] = a;
    return true;
}

void CBubbleWorld::OnContact(CBubble* a, CBubble* b)
{
    a->touched = 1;
    b->touched = 1;
    if (!LinkBubbles(a, b))
    {
        // One of them holds six links already. The pair stays enabled, so
        // that it meets again, and is turned back now as a linked pair would
        // be, so that it does not pass through nor meet again at once.
        if (a->stuck)
            std::swap(a, b);
        if (!a->stuck && Approaching(a, b))
            RespondToApproach(a, b, 1);
        return;
    }
    broadPhase->SetPairEnabled(a->body, b->body, false);
    ResolvePair(a, b);
}

void CBubbleWorld::DropLostContacts(CBubble* b)
{
    // From the last: Unlink moves the last entry into the freed place.
    for (uint32_t k = b->neighbourCount; k-- > 0;)
    {
        CBubble* o = b->neighbours[k];
        double dx = b->x - o->x;
        double dy = b->y - o->y;
        if (dx * dx + dy * dy >= kLinkDistanceSq)
            b->Unlink(o, *this);
    }
}

namespace {

void RemoveNeighbour(CBubble* from, const CBubble* other)
{
    for (uint32_t k = 0; k < from->neighbourCount; ++k)
    {
        if (from->neighbours[k] != other)
            continue;
        from->neighbourCount -= 1;
        from->neighbours[k] = from->neighbours[from->neighbourCount];
        return;
    }
}

} // namespace

void CBubble::Unlink(CBubble* other, CBubbleWorld& world)
{
    RemoveNeighbour(this, other);
    RemoveNeighbour(other, this);
    world.broadPhase->SetPairEnabled(body, other->body, true);
}

void CBubbleWorld::ResolvePair(CBubble* a, CBubble* b)
{
    CBubble* queue[kMaxBubbles];
    uint32_t n = 0;
    if (!a->stuck)
        Push(queue, n, a);
    if (!b->stuck)
        Push(queue, n, b);
    ResolveContacts(queue, n);
}

void CBubbleWorld::ResolveAll()
{
    CBubble* queue[kMaxBubbles];
    uint32_t n = 0;
    for (uint32_t i = 0; i < liveCount; ++i)
        if (!live[i]->stuck)
            Push(queue, n, live[i]);
    ResolveContacts(queue, n);
}

void CBubbleWorld::ResolveContacts(CBubble** queue, uint32_t n)
{
    for (uint32_t i = 0; i < liveCount; ++i)
        if (!live[i]->stuck)
            live[i]->visits = 0;

    // Only free bubbles enter, each at most once at a time, so the ring never
    // holds more than its size.
    uint32_t head = 0;
    uint32_t tail = n;
    while (head < tail)
    {
        CBubble* b = queue[head % kMaxBubbles];
        head += 1;
        b->visits += 1;
        b->queued = 0;
        // The visit count bounds the work and damps, then freezes, bubbles
        // that keep being pushed, so that piles come to rest.
        if (b->visits > kMaxVisits)
            continue;
        for (uint32_t k = 0; k < b->neighbourCount; ++k)
        {
            CBubble* o = b->neighbours[k];
            if (!Approaching(b, o))
                continue;
            // A change caused by a later neighbour may undo the work done for
            // the earlier ones, so b is looked at again.
            if (k != 0 && !b->queued)
                Push(queue, tail, b);
            if (!o->stuck && !o->queued)
                Push(queue, tail, o);
            RespondToApproach(b, o, b->visits);
        }
    }
}
