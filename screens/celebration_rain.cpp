// The level-completed rain: discs under gravity and damping that bounce off
// each other, the walls and the dome circles, slide, come to rest and freeze.
// Within a frame: find the earliest event, move everything to it, resolve it,
// repeat; touching pairs are kept as links and disabled in the broad phase.
#include <cmath>

#include "screens/celebration_input.h"
#include "screens/level_complete_screen.h"

namespace {

const double kContactDistanceSq = 4 * kRainRadius * kRainRadius; // centres 2r apart
const double kLostLinkSq = 4 * kRainMargin * kRainMargin;
const double kSpawnHeight = 8 * kRainMargin; // above the top of the view
const double kSpawnSpeed = -0.5;
const double kGravity = 0.5;
const double kDampingPerSecond = 0.8;
const double kRestitution = 0.15;
const double kApproachThreshold = -1e-10;
const double kRestSpeedSq = 1e-10;
const double kTimeTolerance = 1e-9;
const uint32_t kMaxVisits = 10;
const uint32_t kBounceVisits = 8; // bounces only below this many visits
const uint32_t kMovingInView = 10; // the rain has settled with fewer moving
const uint32_t kWallCount = 3;
const uint32_t kRainColours = 12; // rain colour c is drawn in table colour c + 1

enum Group : uint8_t
{
    kBubbleGroup = 0,
    kWallGroup = 1,
    kDomeGroup = 2,
};

const double kDomeRadii[kDomeCircleCount] = {0.135,    0.134589, 0.130088, 0.120807, 0.105092,
                                             0.078755, 0.0539,   0.134589, 0.130088, 0.120807,
                                             0.105092, 0.078755, 0.0539};

void Push(FallingBubble** ring, uint32_t& tail, FallingBubble* b)
{
    ring[tail % kMaxRainBubbles] = b;
    tail += 1;
    b->queued = 1;
}

void Link(FallingBubble& from, FallingBubble* to)
{
    if (from.contactCount < kMaxRainContacts)
        from.contacts[from.contactCount++] = to;
}

void RemoveContact(FallingBubble& from, const FallingBubble* other)
{
    for (uint32_t k = 0; k < from.contactCount; ++k)
    {
        if (from.contacts[k] != other)
            continue;
        from.contactCount -= 1;
        from.contacts[k] = from.contacts[from.contactCount];
        return;
    }
}

// The normal (unit, from o toward b) and its tangent (ny, -nx).
struct Frame
{
    double nx, ny, tx, ty;
};

Frame FrameAlong(double px, double py)
{
    double length = std::sqrt(px * px + py * py);
    Frame f{px / length, py / length, 0, 0};
    f.tx = f.ny;
    f.ty = -f.nx;
    return f;
}

// Keeps the tangential part of the velocity and the given normal speed.
void Recompose(FallingBubble& b, const Frame& f, double tangential, double normal)
{
    b.vx = tangential * f.tx + normal * f.nx;
    b.vy = tangential * f.ty + normal * f.ny;
}

// Wall faces stop a bubble moving into them: a weak bounce, or a stop.
bool StopAtWalls(FallingBubble& b, bool bounce)
{
    bool changed = false;
    double keep = bounce ? -kRestitution : 0;
    if ((b.leftWall && b.vx < 0) || (b.rightWall && b.vx > 0))
    {
        changed = true;
        b.vx *= keep;
    }
    if (b.floor && b.vy < 0)
    {
        changed = true;
        b.vy *= keep;
    }
    return changed;
}

bool StopAtDome(FallingBubble& b, bool bounce)
{
    if (!b.dome)
        return false;
    double px = b.x - b.dome->x;
    double py = b.y - b.dome->y;
    // Only a bubble that approaches: it is then off the centre, so the
    // normal below is finite.
    if (!(px * b.vx + py * b.vy < kApproachThreshold))
        return false;
    Frame f = FrameAlong(px, py);
    double vn = b.vx * f.nx + b.vy * f.ny;
    double vt = b.vx * f.tx + b.vy * f.ty;
    Recompose(b, f, vt, bounce ? -kRestitution * vn : 0);
    return true;
}

} // namespace

DomeCircle g_domeCircles[kDomeCircleCount];

void InitProfileTable()
{
    // Seven to the right of the picture's centre line, then six to the left.
    const double kCircleX[kDomeCircleCount] = {0,     0.05,  0.1,   0.15,  0.2,   0.25, 0.29,
                                               -0.05, -0.1,  -0.15, -0.2,  -0.25, -0.29};
    for (uint32_t k = 0; k < kDomeCircleCount; ++k)
        g_domeCircles[k] = DomeCircle{kCircleX[k], 0.25, kDomeRadii[k]};
}

namespace {

// Before main, like the other start-up tables; nothing reads it earlier.
const bool g_profileTableReady = (InitProfileTable(), true);

} // namespace

uint32_t RainColourCount(int32_t difficulty, uint32_t stage)
{
    // The level's count, at least 5; a difficulty or stage out of range
    // must not reach past the twelve colours of the table.
    int64_t count = int64_t(stage) + 2 * int64_t(difficulty) + 4;
    if (count < 5)
        return 5;
    return count > kRainColours ? kRainColours : uint32_t(count);
}

void CLevelCompleteScreen::OnInput(void* context, int32_t code, void* data)
{
    auto* screen = static_cast<CLevelCompleteScreen*>(context);
    if (EndsCelebration(screen->presses, code, data))
        screen->done = 1;
}

void CLevelCompleteScreen::SetUpBodies(int32_t width, int32_t height)
{
    double m = width < height ? width : height;
    ax = width / m;
    ay = height / m;

    broadPhase->SetGroupCollidesWithGroup0(kBubbleGroup);
    broadPhase->SetGroupCollidesWithGroup0(kWallGroup);
    broadPhase->SetGroupCollidesWithGroup0(kDomeGroup);
    for (uint32_t i = 0; i < kMaxRainBubbles; ++i)
        bubbles[i].body = broadPhase->AddObject(kBubbleGroup, i, nullptr);

    // One-unit slabs just outside the view; there is no ceiling.
    uint32_t* walls[kWallCount] = {&leftWall, &rightWall, &floor};
    const double slabs[kWallCount][4] = {
        {-ax - 1, -ay - 1, ay + 1, -ax}, // min x, min y, max y, max x
        {ax, -ay - 1, ay + 1, ax + 1},
        {-ax - 1, -ay - 1, -ay, ax + 1},
    };
    for (uint32_t k = 0; k < kWallCount; ++k)
    {
        *walls[k] = broadPhase->AddObject(kWallGroup, k, nullptr);
        broadPhase->MoveEndpoints(*walls[k], slabs[k][0], slabs[k][1], slabs[k][2], slabs[k][3]);
        broadPhase->SetObjectActive(*walls[k], true);
    }
    for (uint32_t k = 0; k < kDomeCircleCount; ++k)
    {
        const DomeCircle& c = g_domeCircles[k];
        uint32_t id = broadPhase->AddObject(kDomeGroup, k, nullptr);
        broadPhase->MoveEndpoints(id, c.x - c.radius, c.y - c.radius, c.y + c.radius, c.x + c.radius);
        broadPhase->SetObjectActive(id, true);
    }
}

uint32_t CLevelCompleteScreen::Update(CRandomGenerator& rng, double dt)
{
    // A non-finite frame time would poison every position and the clock.
    if (!std::isfinite(dt) || dt < 0)
        dt = 0;
    double remaining = dt;
    uint32_t subSteps = 0;
    while (remaining > kTimeTolerance)
    {
        // Every event removes its cause, so valid data never gets here; a
        // bad value must not freeze the game.
        if (subSteps == kMaxSubStepsPerFrame)
        {
            Advance(remaining);
            break;
        }
        RainEvent ev = {kRainNone, remaining, 0, 0, nullptr, nullptr};
        FindNextEvent(ev);
        if (ev.time > 0)
            Advance(ev.time);
        ResolveEvent(rng, ev);
        remaining -= ev.time;
        ++subSteps;
    }
    CheckAnimationDone();
    clock += dt;
    return subSteps;
}

void CLevelCompleteScreen::FindNextEvent(RainEvent& ev)
{
    // Spawns keep coming after the last bubble; they then make nothing.
    KeepEarliestHit(ev, kRainSpawn, kRainSpawnInterval - sinceSpawn, 0, 0);

    // Boxes cover each bubble's sweep over the time still in question.
    double t = ev.time;
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        const FallingBubble& b = bubbles[i];
        broadPhase->SetObjectBounds(b.body, b.x, b.y, b.x + b.vx * t, b.y + b.vy * t, kRainMargin);
    }

    // Bubbles hold the lowest ids, so a pair's first object is a bubble.
    for (const PairNode* p = broadPhase->GetPairs(); p; p = p->next)
    {
        uint32_t a = broadPhase->GetObjectTag(p->i);
        uint32_t k = broadPhase->GetObjectTag(p->j);
        const FallingBubble& b = bubbles[a];
        switch (broadPhase->GetObjectGroup(p->j))
        {
        case kBubbleGroup:
        {
            const FallingBubble& o = bubbles[k];
            double hit = TimeToReachCircle(b.vx - o.vx, b.vy - o.vy, b.x - o.x, b.y - o.y, kContactDistanceSq);
            KeepEarliestHit(ev, kRainMeetsRain, hit, a, k);
            break;
        }
        case kWallGroup:
        {
            // When the edge would reach the face at the present velocity,
            // whichever way it moves. A bubble standing still gives an
            // infinity, or NaN on the face itself, which the strict
            // comparison turns away.
            double hit = k == kRainLeftWall    ? ((kRainRadius - ax) - b.x) / b.vx
                         : k == kRainRightWall ? ((ax - kRainRadius) - b.x) / b.vx
                                               : ((kRainRadius - ay) - b.y) / b.vy;
            KeepEarliestHit(ev, kRainMeetsWall, hit, a, k);
            break;
        }
        case kDomeGroup:
        {
            const DomeCircle& c = g_domeCircles[k];
            double reach = c.radius + kRainRadius;
            double hit = TimeToReachCircle(b.vx, b.vy, b.x - c.x, b.y - c.y, reach * reach);
            KeepEarliestHit(ev, kRainMeetsDome, hit, a, k);
            break;
        }
        default:
            break;
        }
    }
}

void CLevelCompleteScreen::Advance(double t)
{
    sinceSpawn += t;
    double f = std::pow(kDampingPerSecond, t);
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        FallingBubble& b = bubbles[i];
        if (b.frozen)
            continue;
        b.x += b.vx * t;
        b.y += b.vy * t;
        b.vx = b.vx * f;
        b.vy = b.vy * f - kGravity * t;
    }
    DropLostContacts();

    FallingBubble* ring[kMaxRainBubbles];
    uint32_t n = 0;
    for (uint32_t i = 0; i < bubbleCount; ++i)
        if (!bubbles[i].frozen)
            ring[n++] = &bubbles[i];
    SolveContacts(ring, n, true);

    // Smoothed from the velocity that the contacts leave: the velocity
    // before them always holds this step's gravity, so a bubble lying still
    // on the floor would never look at rest and never freeze.
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        FallingBubble& b = bubbles[i];
        if (b.frozen)
            continue;
        b.sx = b.sx * (1 - f) + b.vx * f;
        b.sy = b.sy * (1 - f) + b.vy * f;
    }
    FreezeRestingBubbles();
}

void CLevelCompleteScreen::ResolveEvent(CRandomGenerator& rng, const RainEvent& ev)
{
    FallingBubble* ring[kMaxRainBubbles];
    uint32_t n = 0;
    switch (ev.type)
    {
    case kRainSpawn:
        if (bubbleCount < kMaxRainBubbles)
        {
            FallingBubble& b = bubbles[bubbleCount];
            bubbleCount += 1;
            uint32_t u = rng.GetUInt32();
            b.x = (u / 4294967296.0 - 0.5) * 2 * (ax - kRainMargin);
            b.y = ay + kSpawnHeight;
            b.vx = 0;
            b.vy = kSpawnSpeed;
            b.colour = uint8_t(rng.GetBelow(int(colourCount)));
            b.frozen = 0;
            b.contactCount = 0;
            broadPhase->SetObjectActive(b.body, true);
        }
        sinceSpawn = 0;
        return;
    case kRainMeetsWall:
    {
        FallingBubble& b = bubbles[ev.a];
        uint8_t* flags[kWallCount] = {&b.leftWall, &b.rightWall, &b.floor};
        const uint32_t walls[kWallCount] = {leftWall, rightWall, floor};
        *flags[ev.b] = 1;
        broadPhase->SetPairEnabled(b.body, walls[ev.b], false);
        if (!b.frozen)
            ring[n++] = &b;
        break;
    }
    case kRainMeetsRain:
    {
        FallingBubble& a = bubbles[ev.a];
        FallingBubble& b = bubbles[ev.b];
        // A list that is full leaves the link out; the pair stays disabled.
        Link(a, &b);
        Link(b, &a);
        broadPhase->SetPairEnabled(a.body, b.body, false);
        if (!a.frozen)
            ring[n++] = &a;
        if (!b.frozen)
            ring[n++] = &b;
        break;
    }
    case kRainMeetsDome:
    {
        FallingBubble& b = bubbles[ev.a];
        b.dome = &g_domeCircles[ev.b]; // the pair stays enabled
        if (!b.frozen)
            ring[n++] = &b;
        break;
    }
    default:
        return;
    }
    SolveContacts(ring, n, false);
}

void CLevelCompleteScreen::SolveContacts(FallingBubble** ring, uint32_t n, bool restingPass)
{
    for (uint32_t i = 0; i < bubbleCount; ++i)
        bubbles[i].visits = 0;
    for (uint32_t i = 0; i < n; ++i)
        ring[i]->queued = 1;

    // A bubble is in the ring at most once at a time, so it never overflows.
    uint32_t head = 0;
    uint32_t tail = n;
    while (head < tail)
    {
        FallingBubble& b = *ring[head % kMaxRainBubbles];
        head += 1;
        b.visits += 1;
        b.queued = 0;
        // The visit count bounds the work and stops bubbles that keep being
        // pushed, so that piles come to rest.
        if (b.visits > kMaxVisits)
        {
            b.vx = 0;
            b.vy = 0;
            continue;
        }
        bool bounce = b.visits < kBounceVisits && !restingPass;
        bool changed = StopAtWalls(b, bounce);
        changed |= StopAtDome(b, bounce);

        for (uint32_t k = 0; k < b.contactCount; ++k)
        {
            FallingBubble& o = *b.contacts[k];
            double dpx = b.x - o.x;
            double dpy = b.y - o.y;
            // Only pairs that approach: they are then apart, so the normal
            // below is finite.
            if (!(dpx * (b.vx - o.vx) + dpy * (b.vy - o.vy) < kApproachThreshold))
                continue;
            changed = true;
            Frame f = FrameAlong(dpx, dpy);
            double bn = b.vx * f.nx + b.vy * f.ny;
            double bt = b.vx * f.tx + b.vy * f.ty;
            double on = o.vx * f.nx + o.vy * f.ny;
            double ot = o.vx * f.tx + o.vy * f.ty;
            if (!o.frozen && !o.queued)
                Push(ring, tail, &o);
            if (b.visits >= kBounceVisits)
                Recompose(b, f, bt, 0);
            else if (!o.frozen)
            {
                // Equal masses: the normal components are exchanged.
                Recompose(b, f, bt, on);
                Recompose(o, f, ot, bn);
            }
            else
                Recompose(b, f, bt, restingPass ? 0 : -kRestitution * bn);
        }
        if (changed)
            Push(ring, tail, &b);
    }
}

void CLevelCompleteScreen::FreezeRestingBubbles()
{
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        FallingBubble& b = bubbles[i];
        if (b.frozen || b.vx * b.vx + b.vy * b.vy >= kRestSpeedSq || b.sx * b.sx + b.sy * b.sy >= kRestSpeedSq)
            continue;
        b.frozen = 1;
        // It never moves again, so it must not look as if it did: a speed
        // left behind would time its contacts wrongly and could let a
        // bubble that touches a dome circle meet it again and again.
        b.vx = 0;
        b.vy = 0;
    }
}

void CLevelCompleteScreen::DropLostContacts()
{
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        FallingBubble& b = bubbles[i];
        if (b.frozen)
            continue;
        if (b.leftWall && b.x > kRainMargin - ax)
        {
            b.leftWall = 0;
            broadPhase->SetPairEnabled(b.body, leftWall, true);
        }
        if (b.rightWall && b.x < ax - kRainMargin)
        {
            b.rightWall = 0;
            broadPhase->SetPairEnabled(b.body, rightWall, true);
        }
        if (b.floor && b.y > kRainMargin - ay)
        {
            b.floor = 0;
            broadPhase->SetPairEnabled(b.body, floor, true);
        }
        if (b.dome)
        {
            double dx = b.x - b.dome->x;
            double dy = b.y - b.dome->y;
            double reach = b.dome->radius + kRainMargin;
            if (dx * dx + dy * dy > reach * reach)
                b.dome = nullptr;
        }
        // From the last: unlinking moves the last entry into the freed place.
        for (uint32_t k = b.contactCount; k-- > 0;)
        {
            FallingBubble& o = *b.contacts[k];
            double dx = b.x - o.x;
            double dy = b.y - o.y;
            if (dx * dx + dy * dy > kLostLinkSq)
                UnlinkBodies(b, o);
        }
    }
}

void CLevelCompleteScreen::UnlinkBodies(FallingBubble& a, FallingBubble& b)
{
    RemoveContact(a, &b);
    RemoveContact(b, &a);
    broadPhase->SetPairEnabled(a.body, b.body, true);
}

void CLevelCompleteScreen::CheckAnimationDone()
{
    if (!(clock > kRainEndAfter))
        return;
    uint32_t moving = 0;
    for (uint32_t i = 0; i < bubbleCount; ++i)
        if (!bubbles[i].frozen && bubbles[i].y < ay + kRainRadius)
            ++moving;
    if (bubbleCount == 0 || moving < kMovingInView)
        done = 1;
}
