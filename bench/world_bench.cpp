// Figures for the bubble world on this machine: the cost of a frame's Step on
// the largest levels while a scripted player drops as fast as it may, the
// time to build each of the 120 levels, and the broad phase against a
// brute-force all-pairs check on the same boxes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

using Clock = std::chrono::steady_clock;

const double kFrame = 1.0 / 60;
const double kFrameMs = 1000.0 / 60;
const int kFramesPerLevel = 60 * 90;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void Seed(CRandomGenerator& rng, uint32_t seed)
{
    rng.state = int32_t(seed);
    for (uint32_t i = 0; i < 1024; ++i)
        rng.pool[i] = uint8_t(i - seed);
    rng.Refill();
}

struct World
{
    std::unique_ptr<CBubbleWorld> world{new CBubbleWorld()};
    ~World() { delete world->broadPhase; }
};

void Build(World& w, CRandomGenerator& rng, int32_t difficulty, uint32_t stage, uint32_t level)
{
    PlaySession session{};
    session.difficulty = difficulty;
    session.stage = stage;
    session.level = level;
    session.speed = 1;
    w.world->BuildLevel(rng, session);
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    size_t i = size_t(p * (v.size() - 1) + 0.5);
    return v[i];
}

// The sweep boxes of every live bubble after a frame, as the broad phase holds them.
struct BoxFrame
{
    std::vector<uint32_t> bodies;
    std::vector<double> boxes; // min x, min y, max y, max x per body
};

BoxFrame CaptureBoxes(const CBubbleWorld& world)
{
    BoxFrame f;
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        uint32_t body = world.live[i]->body;
        f.bodies.push_back(body);
        for (uint8_t side : {0, 2, 3, 1})
            f.boxes.push_back(world.broadPhase->GetEndpoint(body, side).value);
    }
    return f;
}

struct FrameCosts
{
    std::vector<double> stepMs;
    uint32_t finalState = 0;
    uint32_t fired = 0;
    uint32_t subSteps = 0;
};

FrameCosts PlayLargest(int32_t difficulty, uint32_t stage, std::vector<BoxFrame>* boxes)
{
    CRandomGenerator rng, player;
    Seed(rng, 9000 + difficulty * 10 + stage);
    Seed(player, 77);
    World w;
    Build(w, rng, difficulty, stage, 9);
    CBubbleWorld& world = *w.world;
    uint32_t startSupply = world.supply;
    FrameCosts costs;
    double aim = 0;
    for (int frame = 0; frame < kFramesPerLevel && world.state < kWorldFinalStates; ++frame)
    {
        aim += (double(player.GetBelow(41)) - 20) * 0.5;
        aim = std::max(-60.0, std::min(60.0, aim));
        world.mouseDelta = aim;
        world.dropRequested = 1; // as fast as the dropper allows
        Clock::time_point t0 = Clock::now();
        costs.subSteps += world.Step(rng, kFrame);
        costs.stepMs.push_back(Ms(Clock::now() - t0));
        if (boxes)
            boxes->push_back(CaptureBoxes(world));
    }
    costs.finalState = uint32_t(world.state);
    costs.fired = startSupply - world.supply;
    return costs;
}

void ReportFrames()
{
    std::printf("Step per frame at 60 fps, level 10, scripted player dropping every frame (%d frames or to the end)\n",
                kFramesPerLevel);
    std::printf("  difficulty stage   median ms    p99 ms    max ms   p99/frame  max/frame  fired  sub-steps  state\n");
    const char* names[3] = {"Easy", "Medium", "Hard"};
    for (int32_t d = 0; d < 3; ++d)
        for (uint32_t s = 0; s < 4; ++s)
        {
            FrameCosts c = PlayLargest(d, s, nullptr);
            double median = Percentile(c.stepMs, 0.5);
            double p99 = Percentile(c.stepMs, 0.99);
            double max = *std::max_element(c.stepMs.begin(), c.stepMs.end());
            std::printf("  %-10s %5u %11.4f %9.4f %9.4f %10.2f%% %9.2f%% %6u %10u  %u after %zu frames\n", names[d],
                        s + 1, median, p99, max, 100 * p99 / kFrameMs, 100 * max / kFrameMs, c.fired, c.subSteps,
                        c.finalState, c.stepMs.size());
        }
}

void ReportBuild()
{
    std::vector<double> ms;
    for (int32_t d = 0; d < 3; ++d)
        for (uint32_t s = 0; s < 4; ++s)
            for (uint32_t l = 0; l < 10; ++l)
            {
                CRandomGenerator rng;
                Seed(rng, 100 + l);
                Clock::time_point t0 = Clock::now();
                {
                    World w;
                    Build(w, rng, d, s, l);
                }
                ms.push_back(Ms(Clock::now() - t0));
            }
    double total = 0;
    for (double m : ms)
        total += m;
    std::printf("\nBuildLevel, all 120 levels (zero-fill, build, free): total %.2f ms, mean %.3f ms, median %.3f ms, "
                "max %.3f ms (%.1f%% of a frame)\n",
                total, total / ms.size(), Percentile(ms, 0.5), *std::max_element(ms.begin(), ms.end()),
                100 * *std::max_element(ms.begin(), ms.end()) / kFrameMs);
}

void ReportBroadPhase()
{
    std::vector<BoxFrame> frames;
    PlayLargest(2, 3, &frames);

    // Incremental: one broad phase follows the boxes from frame to frame.
    CCollisionBroadPhase bp(kMaxBubbles, 1);
    bp.SetGroupCollidesWithGroup0(0);
    for (uint32_t i = 0; i < kMaxBubbles; ++i)
        bp.AddObject(0, 0, nullptr);
    std::vector<bool> active(kMaxBubbles);
    size_t sweepPairs = 0;
    Clock::duration sweep{};
    for (const BoxFrame& f : frames)
    {
        Clock::time_point t0 = Clock::now();
        std::vector<bool> now(kMaxBubbles);
        for (size_t k = 0; k < f.bodies.size(); ++k)
        {
            const double* b = &f.boxes[4 * k];
            bp.MoveEndpoints(f.bodies[k], b[0], b[1], b[2], b[3]);
            now[f.bodies[k]] = true;
        }
        for (uint32_t i = 0; i < kMaxBubbles; ++i)
            if (now[i] != active[i])
                bp.SetObjectActive(i, now[i]);
        active.swap(now);
        for (const PairNode* p = bp.GetPairs(); p; p = p->next)
            ++sweepPairs;
        sweep += Clock::now() - t0;
    }

    size_t brutePairs = 0;
    Clock::time_point t0 = Clock::now();
    for (const BoxFrame& f : frames)
    {
        size_t n = f.bodies.size();
        for (size_t a = 0; a < n; ++a)
        {
            const double* p = &f.boxes[4 * a];
            for (size_t b = a + 1; b < n; ++b)
            {
                const double* q = &f.boxes[4 * b];
                brutePairs += p[0] < q[3] && q[0] < p[3] && p[1] < q[2] && q[1] < p[2];
            }
        }
    }
    Clock::duration brute = Clock::now() - t0;
    std::printf("\nBroad phase against brute force, Hard stage 4 level 10, %zu frames of boxes\n", frames.size());
    std::printf("  sweep and prune: %.3f ms (%zu pairs); brute force all pairs: %.3f ms (%zu pairs); ratio %.1fx\n",
                Ms(sweep), sweepPairs, Ms(brute), brutePairs, Ms(brute) / Ms(sweep));
}

} // namespace

int main()
{
    ReportFrames();
    ReportBuild();
    ReportBroadPhase();
    return 0;
}
