#include <cmath>

#include "world/bubble_world.h"

namespace {

const double kTimeTolerance = 1e-9;
const double kBurstDistanceSq = 0.0004; // centres closer than 0.02
const double kContactDistanceSq = 0.0016; // centres 0.04 apart
// Rounding can leave a pair that met at a sub-step's end a few steps of the
// last digit either side of contact distance: that is still contact.
const double kAtContactSq = kContactDistanceSq * (1 + 1e-12);
const double kFireReadyProgress = 0.99;
const double kQueueSpacing = 0.175;
const double kOutOfBubblesGrace = 5.0;

template <typename T>
void RemoveFinished(T* items, uint32_t& count)
{
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (items[i].age < 1)
            items[kept++] = items[i];
    count = kept;
}

bool IsAtContact(const CBubble* a, const CBubble* b)
{
    double px = a->x - b->x;
    double py = a->y - b->y;
    return px * px + py * py <= kAtContactSq;
}

} // namespace

bool KeepEarliestHit(WorldEvent& ev, uint32_t type, double t, uint32_t a, uint32_t b, CBubble* first,
                     CBubble* second)
{
    if (!(t < ev.time))
        return false;
    ev.type = type;
    ev.time = t > 0 ? t : 0;
    ev.a = a;
    ev.b = b;
    ev.first = first;
    ev.second = second;
    return true;
}

uint32_t CBubbleWorld::Step(CRandomGenerator& rng, double dt)
{
    // A non-finite frame time would poison every position and the clock.
    if (!std::isfinite(dt))
        dt = 0;
    double remaining = dt;
    uint32_t subSteps = 0;
    while (remaining > kTimeTolerance)
    {
        // Every zero-time event removes its cause, so valid data never gets
        // here; a bad value must not freeze the game.
        if (subSteps == kMaxSubStepsPerFrame)
        {
            Advance(remaining, remaining / dt);
            break;
        }
        WorldEvent ev = {kEventNone, remaining, 0, 0, nullptr, nullptr};
        FindNextEvent(ev);
        if (ev.time > 0)
            Advance(ev.time, ev.time / dt);
        HandleEvent(rng, ev);
        remaining -= ev.time;
        ++subSteps;
    }
    PostStep();
    clock += dt;
    if (state == kWorldOutOfBubbles)
        outOfBubblesTime += dt;
    return subSteps;
}

void CBubbleWorld::FindNextEvent(WorldEvent& ev)
{
    if ((state == kWorldPlay || state == kWorldTutorial) && queueCount > 0 && (dropRequested || dropHeld) &&
        queue[0].progress >= kFireReadyProgress)
        KeepEarliestHit(ev, kEventFire, 0, 0, 0);
    if (state == kWorldPlay && supply > queueCount)
    {
        double interval = queueCount < 3 ? fastReloadInterval : reloadInterval;
        KeepEarliestHit(ev, kEventReload, interval - sinceReload, 0, 0);
    }
    if (state == kWorldClearing)
        KeepEarliestHit(ev, kEventClearingPop, popInterval - sincePop, 0, 0);

    // Boxes cover each bubble's sweep over the time still in question.
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        const CBubble* b = live[i];
        broadPhase->SetObjectBounds(b->body, b->x, b->y, b->x + b->vx * ev.time, b->y + b->vy * ev.time,
                                    kContactRadius);
    }

    for (const PairNode* p = broadPhase->GetPairs(); p; p = p->next)
    {
        CBubble* first = static_cast<CBubble*>(broadPhase->GetObjectData(p->i));
        CBubble* second = static_cast<CBubble*>(broadPhase->GetObjectData(p->j));
        double px = first->x - second->x;
        double py = first->y - second->y;
        double distanceSq = px * px + py * py;
        if (distanceSq < kBurstDistanceSq)
        {
            double firstSpeedSq = first->vx * first->vx + first->vy * first->vy;
            double secondSpeedSq = second->vx * second->vx + second->vy * second->vy;
            CBubble* faster = firstSpeedSq > secondSpeedSq ? first : second;
            KeepEarliestHit(ev, kEventBurst, 0, faster->index, 0, faster);
            continue;
        }
        double dvx = first->vx - second->vx;
        double dvy = first->vy - second->vy;
        double t = TimeToReachCircle(dvx, dvy, px, py, kContactDistanceSq);
        // Just outside, the contact time rounds below zero and reads as
        // never; inside, it is never. An approaching pair at contact
        // distance or closer touches now rather than sink in or pass through.
        if (distanceSq <= kAtContactSq && Approaching(first, second))
            t = 0;
        KeepEarliestHit(ev, kEventContact, t, first->index, second->index, first, second);
    }
}

void CBubbleWorld::HandleEvent(CRandomGenerator& rng, const WorldEvent& ev)
{
    switch (ev.type)
    {
    case kEventFire:
        FireBubble(rng);
        break;
    case kEventReload:
        ReloadQueue(rng);
        break;
    case kEventContact:
        // The motion up to the event may have stuck and burst bubbles, linked
        // the pair, or snapped one of it to its cell away from the other: a
        // pair no longer at contact distance approaches again instead.
        if (IsLive(ev.first) && IsLive(ev.second) && !ev.first->IsLinkedTo(ev.second) &&
            !ev.second->IsLinkedTo(ev.first) && IsAtContact(ev.first, ev.second))
            OnContact(ev.first, ev.second);
        break;
    case kEventClearingPop:
        PopRandomBubble(rng);
        break;
    case kEventBurst:
        if (IsLive(ev.first))
            BurstBubble(ev.first);
        break;
    default:
        break;
    }
}

void CBubbleWorld::Advance(double dt, double share)
{
    // The farther the dropper, the slower its angle turns.
    if (mouseDelta != 0)
        angle += turnSpeed * 5e-05 * share * mouseDelta / distance;
    if (leftHeld)
        angle -= turnSpeed * 0.05 * dt / distance;
    if (rightHeld)
        angle += turnSpeed * 0.05 * dt / distance;

    double k = std::pow(state == kWorldPlay ? 0.5 : 0.9, dt);
    distance = k * distance + (1 - k) * targetDistance;

    for (uint32_t i = 0; i < queueCount; ++i)
    {
        QueuedBubble& q = queue[i];
        q.progress += q.speed * dt;
        q.speed += 0.2 * gravity * dt;
        q.progress += q.speed * dt;
        if (q.progress >= 1)
        {
            q.progress = 1;
            q.speed = 0;
        }
    }
    for (uint32_t i = 1; i < queueCount; ++i)
    {
        if (queue[i].progress + kQueueSpacing > queue[i - 1].progress)
        {
            queue[i].progress = queue[i - 1].progress - kQueueSpacing;
            if (queue[i - 1].speed < queue[i].speed)
            {
                double speed = queue[i - 1].speed;
                queue[i - 1].speed = queue[i].speed;
                queue[i].speed = speed;
            }
        }
    }

    SettleResting();

    // A damped pull toward the centre, proportional to the distance.
    double damping = std::pow(0.8, dt);
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        CBubble* b = live[i];
        if (b->stuck)
            continue;
        b->x += b->vx * dt;
        b->y += b->vy * dt;
        b->vx = b->vx * damping + 0.2 * gravity * (-b->x) * dt;
        b->vy = b->vy * damping + 0.2 * gravity * (-b->y) * dt;
    }
    for (uint32_t i = 0; i < liveCount; ++i)
        if (!live[i]->stuck)
            DropLostContacts(live[i]);
    ResolveAll();

    for (uint32_t i = 0; i < popCount; ++i)
        pops[i].age += 2 * dt;
    for (uint32_t i = 0; i < freedStarCount; ++i)
    {
        FreedStar& star = freedStars[i];
        star.age += 0.5 * dt;
        star.x += star.vx * dt;
        star.y += star.vy * dt;
    }
    sinceReload += dt;
    sincePop += dt;
}

void CBubbleWorld::PostStep()
{
    UpdateDropperTarget();
    RemoveFinished(pops, popCount);
    RemoveFinished(freedStars, freedStarCount);
    mouseDelta = 0;
    dropRequested = 0; // a request that did not fire in this frame is dropped

    if (starsLeft == 0 && (state == kWorldPlay || state == kWorldOutOfBubbles))
    {
        // The clearing takes about five seconds whatever is left.
        popInterval = 5.0 / liveCount;
        if (popInterval < 0.01)
            popInterval = 0.01;
        if (popInterval > 0.2)
            popInterval = 0.2;
        state = kWorldClearing;
    }
    if (liveCount <= kCentreBubbles && popCount == 0 && state == kWorldClearing)
        state = kWorldWon;
    if (supply == 0 && state == kWorldPlay)
        state = kWorldOutOfBubbles;
    if (state == kWorldOutOfBubbles)
    {
        if (freeCount == 0)
            state = kWorldLost;
        else if (outOfBubblesTime >= kOutOfBubblesGrace)
            state = kWorldLost;
    }
}
