// The stage-completed fireworks: a rocket every 0.3 s for 18 s, each leaving
// a trail of sparks and bursting into two rings of bubbles at the top of its
// flight.
#include <algorithm>
#include <cmath>

#include "screens/celebration_input.h"
#include "screens/stage_complete_screen.h"
#include "world/random_generator.h"

namespace {

const double kGravity = 0.005;        // half-step speed lost per second
const double kParticleLife = 1.5;     // seconds
const double kTrailInterval = 0.02;   // seconds between a rocket's sparks
const double kLaunchInterval = 0.3;   // seconds
const double kBottom = -1;            // of the shorter side
const double kRingSpeed = 0.002;
const double kSameColourChance = 0.7; // both rings of a burst in one colour
const double kInnerRing = 0.75;
const double kOuterRing = 1.5;
// The frame clock clamps a frame to a second; a bad caller must not hang us.
const double kLongestFrame = 1.0;

// A draw in [0, 1).
double Draw01(CRandomGenerator& rng)
{
    return rng.GetUInt32() * (1.0 / 4294967296.0);
}

const double* DrawColour(CRandomGenerator& rng)
{
    return g_fireworkColours[rng.GetUInt32() % 6];
}

// Gravity takes its share of the step's time; the move itself is per step.
template <typename Body>
void Fly(Body& b, double dt)
{
    double vy = b.vy - kGravity * dt;
    b.x += 2 * b.vx;
    b.y += b.vy + vy;
    b.vy = vy;
}

// The last entry moves into a removed one's place and is looked at in turn.
template <typename T, typename Gone, typename Remove>
void RemoveWhere(T* items, uint32_t& count, Gone gone, Remove remove)
{
    for (uint32_t i = 0; i < count;)
    {
        if (!gone(items[i]))
        {
            ++i;
            continue;
        }
        remove(items[i]);
        items[i] = items[--count];
    }
}

} // namespace

const double g_fireworkColours[6][3] = {
    {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},
};

const EnvelopeKey g_pictureEnvelope[kEnvelopeKeys] = {{0, 0}, {4, 0}, {6, 1}, {12, 1}, {14, 0}};
const EnvelopeKey g_captionEnvelope[kEnvelopeKeys] = {{0, 0}, {6, 0}, {8, 1}, {12, 1}, {14, 0}};

double EnvelopeValue(const EnvelopeKey* keys, double t)
{
    uint32_t k = 0;
    while (k < kEnvelopeKeys && !(t <= keys[k].time))
        ++k;
    if (k == 0 || k == kEnvelopeKeys)
        return 0;
    double f = (keys[k].time - t) / (keys[k].time - keys[k - 1].time);
    return (1 - f) * keys[k].value + f * keys[k - 1].value;
}

void CStageCompleteScreen::OnInput(void* context, int32_t code, void* data)
{
    auto* screen = static_cast<CStageCompleteScreen*>(context);
    if (EndsCelebration(screen->presses, code, data))
        screen->done = 1;
}

void CStageCompleteScreen::Update(CRandomGenerator& rng, double dt)
{
    // A non-finite frame time would stall the steps and poison the clock.
    if (!std::isfinite(dt) || dt < 0)
        dt = 0;
    unstepped = std::min(unstepped + dt, kLongestFrame);
    // Rounded to the nearest step, not down: frame times jitter by a
    // millisecond round 1/60 s, and each such frame must run one step
    // rather than now none and now two.
    while (unstepped >= kFireworkStep / 2)
    {
        Step(rng);
        unstepped -= kFireworkStep;
    }
}

void CStageCompleteScreen::Step(CRandomGenerator& rng)
{
    const double dt = kFireworkStep;
    clock += dt;
    launchTimer -= dt;

    for (uint32_t i = 0; i < rocketCount; ++i)
    {
        FireworkRocket& r = rockets[i];
        Fly(r, dt);
        r.trailTimer -= dt;
        while (r.trailTimer <= 0)
        {
            if (particleCount < kMaxParticles)
            {
                FireworkParticle& p = particles[particleCount++];
                double r1 = Draw01(rng);
                double r2 = Draw01(rng);
                p = FireworkParticle{r.x, r.y, (r1 - 0.5) * 0.001 - r.vx, -r.vy - (1 + r2) * 0.00125, 0, nullptr};
            }
            r.trailTimer += kTrailInterval;
        }
    }

    for (uint32_t i = 0; i < particleCount; ++i)
    {
        Fly(particles[i], dt);
        particles[i].age += dt / kParticleLife;
    }

    // From 18 s on the timer is left where it is; a launch due while ten
    // rockets fly is lost.
    if (launchTimer <= 0)
    {
        while (clock < kLaunchesUntil)
        {
            if (rocketCount < kMaxRockets)
            {
                double r1 = Draw01(rng);
                double r2 = Draw01(rng);
                rockets[rocketCount++] = FireworkRocket{0, kBottom, (r1 - 0.5) * 0.004, 0.009 + 0.003 * r2, 0};
            }
            launchTimer += kLaunchInterval;
            if (launchTimer > 0)
                break;
        }
    }

    RemoveWhere(
        rockets, rocketCount, [](const FireworkRocket& r) { return r.vy <= 0; },
        [&](const FireworkRocket& r) { SpawnBurst(rng, r); });
    RemoveWhere(
        particles, particleCount, [](const FireworkParticle& p) { return p.age >= 1 || p.y < kBottom; },
        [](const FireworkParticle&) {});

    pictureAlpha = EnvelopeValue(g_pictureEnvelope, clock);
    captionAlpha = EnvelopeValue(g_captionEnvelope, clock);
    if (clock > kLaunchesUntil && rocketCount == 0 && particleCount == 0)
        done = 1;
}

void CStageCompleteScreen::SpawnBurst(CRandomGenerator& rng, const FireworkRocket& rocket)
{
    if (Draw01(rng) < kSameColourChance)
    {
        const double* colour = DrawColour(rng);
        SpawnParticle(rng, rocket, colour, kInnerRing);
        SpawnParticle(rng, rocket, colour, kOuterRing);
        return;
    }
    SpawnParticle(rng, rocket, DrawColour(rng), kInnerRing);
    SpawnParticle(rng, rocket, DrawColour(rng), kOuterRing);
}

void CStageCompleteScreen::SpawnParticle(CRandomGenerator& rng, const FireworkRocket& rocket, const double* colour,
                                         double k)
{
    for (uint32_t i = 0; i < kRingParticles; ++i)
    {
        if (particleCount >= kMaxParticles)
            continue;
        FireworkParticle& p = particles[particleCount++];
        p = FireworkParticle{rocket.x, rocket.y, rocket.vx, rocket.vy, 0, colour};
        double a = Draw01(rng);
        double b = Draw01(rng);
        double c = Draw01(rng);
        double length = std::sqrt((a - 0.5) * (a - 0.5) + (b - 0.5) * (b - 0.5));
        // Both draws exactly one half give no direction: that spark stays
        // with the rocket rather than turning into NaN.
        if (length == 0)
            continue;
        double speed = kRingSpeed * k * (1 + c);
        p.vx += speed * (b - 0.5) / length;
        p.vy += speed * (a - 0.5) / length;
    }
}
