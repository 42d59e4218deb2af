#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "screens/level_complete_screen.h"
#include "screens/stage_complete_screen.h"
#include "shell/input.h"
#include "tests/world/world_checks.h"

namespace {

const double kFrame = 1.0 / 60;

std::unique_ptr<CStageCompleteScreen> NewScreen()
{
    return std::unique_ptr<CStageCompleteScreen>(new CStageCompleteScreen());
}

// Four pool bytes ahead that GetUInt32 reads as u.
void PlantUInt32(CRandomGenerator& rng, uint32_t at, uint32_t u)
{
    for (uint32_t i = 0; i < 4; ++i)
        rng.pool[at + i] = uint8_t(u >> (24 - 8 * i));
}

} // namespace

// A release ends a celebration only after its press on the screen: the drop
// key or the button held as the level is won comes up on it too.
TEST(CelebrationInput, EndsOnTheReleaseOfAPressItSaw)
{
    struct Case
    {
        int32_t pressKey; // sent as a key-down first; -1 none, -2 the button
        int32_t code;
        int32_t key;
        bool ends;
    };
    const Case cases[] = {
        {-1, InputClose, 0, true},        {-2, InputLeftUp, 0, true},       {-1, InputLeftUp, 0, false},
        {27, InputKeyUp, 27, true},       {13, InputKeyUp, 13, true},       {32, InputKeyUp, 32, true},
        {370, InputKeyUp, 370, true},     {-1, InputKeyUp, 27, false},      {-1, InputKeyUp, 32, false},
        {32, InputKeyUp, 13, false},      {65, InputKeyUp, 65, false},      {-1, InputKeyDown, 32, false},
        {-1, InputChar, 13, false},       {-1, InputLeftDown, 0, false},    {-2, InputMousePos, 0, false},
        {-1, InputMouseDelta, 0, false},
    };
    for (const Case& c : cases)
    {
        auto stage = NewScreen();
        std::unique_ptr<CLevelCompleteScreen> level(new CLevelCompleteScreen());
        InputPoint point{10, 10};
        auto send = [&](int32_t code, int32_t key) {
            void* data = code == InputKeyUp || code == InputKeyDown || code == InputChar
                             ? static_cast<void*>(&key)
                             : static_cast<void*>(&point);
            if (code == InputClose)
                data = nullptr;
            CStageCompleteScreen::OnInput(stage.get(), code, data);
            CLevelCompleteScreen::OnInput(level.get(), code, data);
        };
        if (c.pressKey == -2)
            send(InputLeftDown, 0);
        else if (c.pressKey >= 0)
            send(InputKeyDown, c.pressKey);
        EXPECT_EQ(stage->done, 0);
        send(c.code, c.key);
        EXPECT_EQ(stage->done, c.ends) << std::hex << c.code << " " << std::dec << c.key;
        EXPECT_EQ(level->done, c.ends) << std::hex << c.code << " " << std::dec << c.key;
    }
}

TEST(Fireworks, FirstRocketAtOnceNextAfterThreeTenths)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    CRandomGenerator twin = TutorialRng();
    s->Update(rng, kFrame);
    ASSERT_EQ(s->rocketCount, 1u);
    const FireworkRocket& r = s->rockets[0];
    double r1 = twin.GetUInt32() / 4294967296.0;
    double r2 = twin.GetUInt32() / 4294967296.0;
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, -1) << "a new rocket has not moved yet";
    EXPECT_EQ(r.vx, (r1 - 0.5) * 0.004);
    EXPECT_EQ(r.vy, 0.009 + 0.003 * r2);
    EXPECT_EQ(s->particleCount, 0u);
    EXPECT_NEAR(s->launchTimer, 0.3 - kFrame, 1e-15);

    // Eighteen frames make 0.3 s, give or take the rounding of eighteen
    // subtractions of 1/60: the second is due in the eighteenth or after it.
    for (int i = 0; i < 17; ++i)
        s->Update(rng, kFrame);
    EXPECT_EQ(s->rocketCount, 1u);
    s->Update(rng, kFrame);
    s->Update(rng, kFrame);
    EXPECT_EQ(s->rocketCount, 2u);
    EXPECT_GT(s->particleCount, 0u) << "the first rocket leaves a trail";
}

TEST(Fireworks, LongFrameRunsTheStepsItHoldsAndLaunchesUpToTen)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    s->Update(rng, 1.0);
    EXPECT_EQ(s->rocketCount, 4u) << "one per 0.3 s that passed";
    EXPECT_NEAR(s->launchTimer, 0.2, 1e-12);
    EXPECT_NEAR(s->clock, 1.0, 1e-12);

    // One long frame is the frames it holds: the same rockets and sparks.
    auto frames = NewScreen();
    CRandomGenerator twin = TutorialRng();
    for (int i = 0; i < 60; ++i)
        frames->Update(twin, kFrame);
    ASSERT_EQ(frames->particleCount, s->particleCount);
    for (uint32_t i = 0; i < s->rocketCount; ++i)
        EXPECT_EQ(frames->rockets[i].y, s->rockets[i].y);
    for (uint32_t i = 0; i < s->particleCount; ++i)
        EXPECT_EQ(frames->particles[i].x, s->particles[i].x);

    // A launch due while ten fly is lost; the timer still advances.
    auto full = NewScreen();
    for (uint32_t i = 0; i < kMaxRockets; ++i)
        full->rockets[i] = FireworkRocket{0, -1, 0, 0.012, 1};
    full->rocketCount = kMaxRockets;
    full->Update(rng, kFrame);
    EXPECT_EQ(full->rocketCount, kMaxRockets);
    EXPECT_NEAR(full->launchTimer, 0.3 - kFrame, 1e-15);
}

TEST(Fireworks, NoLaunchFrom18Seconds)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    s->clock = 18;
    s->launchTimer = -1;
    s->Update(rng, kFrame);
    EXPECT_EQ(s->rocketCount, 0u);
    EXPECT_EQ(s->launchTimer, -1 - kFrame) << "left where it is";
    EXPECT_EQ(s->done, 1) << "nothing left after 18 s";
}

TEST(Fireworks, AZeroOrBadFrameTimeChangesNothing)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    s->rockets[0] = FireworkRocket{0, -0.5, 0.001, 0.005, 0.01};
    s->rocketCount = 1;
    s->launchTimer = 0.2;
    s->particles[0] = FireworkParticle{0.2, 0.1, 0.002, 0.001, 0.5, g_fireworkColours[2]};
    s->particleCount = 1;
    for (double dt : {0.0, double(NAN), double(INFINITY), -1.0})
    {
        s->Update(rng, dt);
        EXPECT_EQ(s->rockets[0].y, -0.5);
        EXPECT_EQ(s->rockets[0].trailTimer, 0.01);
        EXPECT_EQ(s->particles[0].x, 0.2);
        EXPECT_EQ(s->particles[0].age, 0.5);
        EXPECT_EQ(s->launchTimer, 0.2);
        EXPECT_EQ(s->clock, 0);
    }
    // One step moves by the per-step amounts.
    s->Update(rng, kFrame);
    EXPECT_EQ(s->rockets[0].x, 0.002);
    EXPECT_EQ(s->particles[0].x, 0.2 + 0.004);
}

namespace {

// Where each rocket of the first `seconds` burst, by its own sideways speed,
// with the frame times that a display of `fps` frames a second gives: whole
// milliseconds, as the frame clock measures them. A rocket is seen at the
// end of each frame; at the top of its flight it hardly moves in a step.
std::map<double, double> BurstHeights(int fps, double seconds)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    std::map<double, double> top, bursts;
    for (int k = 1; k <= int(seconds * fps); ++k)
    {
        long ms = std::lround(k * 1000.0 / fps) - std::lround((k - 1) * 1000.0 / fps);
        s->Update(rng, ms / 1000.0);
        std::map<double, double> flying;
        for (uint32_t i = 0; i < s->rocketCount; ++i)
        {
            const FireworkRocket& r = s->rockets[i];
            flying[r.vx] = top.count(r.vx) ? std::max(top[r.vx], r.y) : r.y;
        }
        for (const auto& rocket : top)
            if (!flying.count(rocket.first))
                bursts[rocket.first] = rocket.second;
        top = flying;
    }
    return bursts;
}

} // namespace

TEST(Fireworks, RocketsBurstOnScreenAndInTheSamePlacesAtAnyFrameRate)
{
    std::map<double, double> at60 = BurstHeights(60, 8);
    ASSERT_GE(at60.size(), 15u);
    for (const auto& burst : at60)
    {
        EXPECT_GT(burst.second, -0.5) << "a rocket burst low on the screen";
        EXPECT_LT(burst.second, 0.9) << "a rocket burst near the top or above it";
    }
    for (int fps : {30, 144, 300})
    {
        SCOPED_TRACE(fps);
        std::map<double, double> other = BurstHeights(fps, 8);
        size_t same = 0;
        for (const auto& burst : other)
        {
            auto match = at60.find(burst.first);
            if (match == at60.end())
                continue; // the last moments: one run may have a step more
            ++same;
            EXPECT_NEAR(burst.second, match->second, 0.001);
        }
        EXPECT_GE(same + 1, at60.size()) << "other rockets burst";
    }
}

TEST(Fireworks, RocketBurstsIntoTwoRingsAtTheTop)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    s->launchTimer = 10;
    s->rockets[0] = FireworkRocket{0.1, 0.2, 0, 0.00001, 10};
    s->rockets[1] = FireworkRocket{-0.1, 0.2, 0, 0.005, 10};
    s->rocketCount = 2;
    s->Update(rng, kFrame);
    ASSERT_EQ(s->rocketCount, 1u);
    EXPECT_EQ(s->rockets[0].x, -0.1) << "the last rocket moved into the burst one's slot";
    ASSERT_EQ(s->particleCount, 2 * kRingParticles);
    double inner = 0, outer = 0;
    for (uint32_t i = 0; i < s->particleCount; ++i)
    {
        const FireworkParticle& p = s->particles[i];
        ASSERT_NE(p.colour, nullptr);
        EXPECT_EQ(p.age, 0);
        EXPECT_EQ(p.x, 0.1);
        double speed = std::hypot(p.vx, p.vy - (0.00001 - 0.005 * kFrame));
        (i < kRingParticles ? inner : outer) += speed;
        EXPECT_LE(speed, 0.002 * 1.5 * 2 + 1e-12);
    }
    EXPECT_NEAR(outer / inner, 2, 0.3) << "the outer ring spreads twice as fast";
}

TEST(Fireworks, ParticleLimits)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    FireworkRocket r{0, 0, 0, 0, 0};
    s->particleCount = kMaxParticles - 10;
    uint32_t before = rng.position;
    s->SpawnParticle(rng, r, g_fireworkColours[0], 0.75);
    EXPECT_EQ(s->particleCount, kMaxParticles);
    EXPECT_EQ(rng.position - before, 10u * 3 * 4) << "skipped sparks draw nothing";

    // Trails stop at the limit too, while the rocket's timer runs on.
    s->rockets[0] = FireworkRocket{0, -0.9, 0, 0.009, 0};
    s->rocketCount = 1;
    s->launchTimer = 10;
    s->Update(rng, 0.1);
    EXPECT_EQ(s->particleCount, kMaxParticles);
    EXPECT_GT(s->rockets[0].trailTimer, 0);
}

TEST(Fireworks, YoungParticlesBelowTheBottomGo)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    s->launchTimer = 10;
    s->particles[0] = FireworkParticle{0, -0.999, 0, -0.001, 0, nullptr};
    s->particles[1] = FireworkParticle{0, 0.5, 0, 0, 0.99, nullptr};
    s->particles[2] = FireworkParticle{0.3, 0.5, 0, 0, 0, g_fireworkColours[1]};
    s->particleCount = 3;
    s->Update(rng, kFrame);
    ASSERT_EQ(s->particleCount, 1u);
    EXPECT_EQ(s->particles[0].x, 0.3);
}

TEST(Fireworks, SparkWithNoDirectionStaysFinite)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    // The spark's first two draws are exactly one half.
    rng.position = 100;
    PlantUInt32(rng, 100, 0x80000000u);
    PlantUInt32(rng, 104, 0x80000000u);
    s->particleCount = kMaxParticles - 1;
    FireworkRocket r{0.1, 0.2, 0.003, 0.004, 0};
    s->SpawnParticle(rng, r, g_fireworkColours[3], 1.5);
    const FireworkParticle& p = s->particles[kMaxParticles - 1];
    EXPECT_EQ(p.vx, 0.003);
    EXPECT_EQ(p.vy, 0.004);
}

TEST(Fireworks, EnvelopesFadePictureAndCaption)
{
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, -1), 0);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 0), 0);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 4), 0);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 5), 0.5);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 6), 1);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 9), 1);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 13), 0.5);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 14), 0);
    EXPECT_EQ(EnvelopeValue(g_pictureEnvelope, 14.01), 0);
    EXPECT_EQ(EnvelopeValue(g_captionEnvelope, 6), 0);
    EXPECT_EQ(EnvelopeValue(g_captionEnvelope, 7), 0.5);
    EXPECT_EQ(EnvelopeValue(g_captionEnvelope, 8), 1);
    EXPECT_EQ(EnvelopeValue(g_captionEnvelope, NAN), 0);
}

TEST(Fireworks, EndsAfter18SecondsWhenAllIsGone)
{
    auto s = NewScreen();
    CRandomGenerator rng = TutorialRng();
    uint32_t mostRockets = 0, mostParticles = 0;
    int frames = 0;
    while (!s->done && frames < 60 * 40)
    {
        s->Update(rng, kFrame);
        ++frames;
        mostRockets = std::max(mostRockets, s->rocketCount);
        mostParticles = std::max(mostParticles, s->particleCount);
        if (s->clock <= 18)
        {
            ASSERT_EQ(s->done, 0) << "at " << s->clock;
        }
        for (uint32_t i = 0; i < s->particleCount; ++i)
            ASSERT_TRUE(std::isfinite(s->particles[i].x) && std::isfinite(s->particles[i].y));
    }
    EXPECT_EQ(s->done, 1);
    EXPECT_EQ(s->rocketCount, 0u);
    EXPECT_EQ(s->particleCount, 0u);
    EXPECT_GT(s->clock, 18);
    EXPECT_LT(s->clock, 18 + 4) << "the last rocket's flight and its sparks' 1.5 s";
    EXPECT_LE(mostRockets, kMaxRockets);
    EXPECT_GE(mostRockets, 5u);
    EXPECT_LE(mostParticles, kMaxParticles);
    EXPECT_GT(mostParticles, 300u);
}
