#include <cmath>

#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

const double kGridRadiusSlack = 1.00001;
const double kCentreRadiusSq = 0.042 * 0.042; // the origin cell and its six neighbours

double TurnSpeedFor(int32_t speed, int32_t direction)
{
    double turn = speed == 0 ? 0.25 : speed == 1 ? 0.5 : 1.0;
    return direction == 1 ? -turn : turn;
}

} // namespace

void CBubbleWorld::BuildLevel(CRandomGenerator& rng, const PlaySession& session)
{
    // A hand-edited store can hold any difficulty or stage: out of range they
    // would give negative star counts, a negative reload interval and colours
    // past the table.
    int32_t d = session.difficulty < 0 ? 0 : session.difficulty > 2 ? 2 : session.difficulty;
    uint32_t s = session.stage > 3 ? 3 : session.stage;
    uint32_t l = session.level;

    double t = 0.25 * d + 0.125 * s;
    reloadInterval = 5 * (1 - t) + 0.1 * t;
    fastReloadInterval = 0.1;
    popInterval = 0.01;
    colourCount = s + 2 * d + 4;
    if (colourCount < 5)
        colourCount = 5;
    gravity = 1 + 2 * t;
    turnSpeed = TurnSpeedFor(session.speed, session.direction);

    broadPhase = new CCollisionBroadPhase(kMaxBubbles, 1);
    broadPhase->SetGroupCollidesWithGroup0(0);
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
    {
        live[i] = &pool[i];
        pool[i].index = i;
    }
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
        pool[i].body = broadPhase->AddObject(0, 0, &pool[i]);

    // A disc of n cells' radius on the hex grid.
    uint32_t n = (l % 10) + 4;
    double radiusSq = 0.0016 * double(n * n) * kGridRadiusSlack;
    double rowHeight = GridRowHeight();
    for (uint32_t c = 0; c < 64 * 64; ++c)
    {
        int col = int(c % 64) - 32;
        int row = int(c / 64) - 32;
        double x = col * kColumnPitch + ((c / 64) % 2 != 0 ? kOddRowShift : 0.0);
        double y = row * rowHeight;
        double distSq = x * x + y * y;
        if (!(distSq < radiusSq))
            continue;
        CBubble* b = live[liveCount++];
        uint32_t index = b->index;
        uint32_t body = b->body;
        *b = CBubble{};
        b->index = index;
        b->body = body;
        b->stuck = 1;
        b->touched = 1;
        b->centre = distSq < kCentreRadiusSq;
        b->x = x;
        b->y = y;
        broadPhase->SetObjectActive(body, true);
        broadPhase->MoveEndpoints(body, x - kContactRadius, y - kContactRadius, y + kContactRadius,
                                  x + kContactRadius);
    }

    supply = static_cast<uint32_t>(double(liveCount) * (4 - d) * (1 - s * 0.5 / 3));

    // Grid neighbours' boxes overlap and cells two apart do not, so the
    // overlapping pairs are exactly the neighbour pairs.
    for (const PairNode* p = broadPhase->GetPairs(); p; p = p->next)
    {
        CBubble* first = static_cast<CBubble*>(broadPhase->GetObjectData(p->i));
        CBubble* second = static_cast<CBubble*>(broadPhase->GetObjectData(p->j));
        LinkBubbles(first, second);
        broadPhase->SetPairEnabled(p->i, p->j, false);
    }

    // Row by row, so at most three neighbours are coloured before a bubble and
    // five or more colours always leave a choice.
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        CBubble* b = live[i];
        if (b->centre)
            continue;
        bool taken[13] = {};
        for (uint32_t k = 0; k < b->neighbourCount; ++k)
            taken[b->neighbours[k]->colour] = true;
        uint8_t candidates[12];
        int count = 0;
        for (uint32_t colour = 1; colour <= colourCount; ++colour)
            if (!taken[colour])
                candidates[count++] = uint8_t(colour);
        b->colour = candidates[rng.GetBelow(count)];
    }

    CBubble* starCandidates[kMaxBubbles];
    uint32_t candidateCount = 0;
    for (uint32_t i = 0; i < liveCount; ++i)
        if (!live[i]->centre)
            starCandidates[candidateCount++] = live[i];
    ShuffleBubbles(rng, starCandidates, candidateCount);
    uint32_t stars = (uint32_t(d + 1) * liveCount) / 20;
    if (stars > candidateCount)
        stars = candidateCount;
    for (uint32_t i = 0; i < stars; ++i)
        starCandidates[i]->hasStar = 1;
    starsLeft = stars;

    // The dropper starts out and eases in.
    UpdateDropperTarget();
    distance = targetDistance + 0.2;
    state = kWorldPlay;
}

void CBubbleWorld::UpdateDropperTarget()
{
    targetDistance = DropperTargetAt(angle);
}

double CBubbleWorld::DropperTargetAt(double turns) const
{
    double a = 2 * M_PI * turns;
    double sinA = std::sin(a);
    double cosA = std::cos(a);
    // Flying bubbles that have touched nothing yet do not push the dropper out.
    double best = 0.05;
    for (uint32_t i = 0; i < liveCount; ++i)
    {
        const CBubble* b = live[i];
        if (!b->stuck && !b->touched)
            continue;
        double projection = b->x * sinA + b->y * cosA;
        if (projection > best)
            best = projection;
    }
    return best + 0.05;
}
