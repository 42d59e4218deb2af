// Figures for the two celebrations on this machine: the rain's cost per
// frame while it fills the screen and once 512 bubbles lie piled, and the
// fireworks' cost per frame at their busiest, each as a share of a 60 Hz frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "screens/stage_complete_screen.h"
#include "tests/screens/rain_checks.h"
#include "tests/world/world_checks.h"

namespace {

using Clock = std::chrono::steady_clock;

const double kFrame = 1.0 / 60;
const double kFrameMs = 1000.0 / 60;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    double p99 = ms[size_t(0.99 * (ms.size() - 1))];
    double max = ms.back();
    std::printf("  %-44s median %.4f ms (%.3f%%)  p99 %.4f ms (%.3f%%)  max %.4f ms (%.3f%%)\n", what, median,
                100 * median / kFrameMs, p99, 100 * p99 / kFrameMs, max, 100 * max / kFrameMs);
}

void BenchRain(int32_t width, int32_t height)
{
    Rain rain(width, height, 11);
    CRandomGenerator rng;
    SeedWith(rng, 1000);
    std::vector<double> filling, piled;
    uint32_t subSteps = 0, mostSubSteps = 0;
    for (int frame = 0; frame < 60 * 135; ++frame)
    {
        Clock::time_point t0 = Clock::now();
        uint32_t n = rain->Update(rng, kFrame);
        filling.push_back(Ms(Clock::now() - t0));
        subSteps += n;
        mostSubSteps = std::max(mostSubSteps, n);
    }
    uint32_t frozen = 0;
    for (uint32_t i = 0; i < rain->bubbleCount; ++i)
        frozen += rain->bubbles[i].frozen;
    for (int frame = 0; frame < 60 * 20; ++frame)
    {
        Clock::time_point t0 = Clock::now();
        rain->Update(rng, kFrame);
        piled.push_back(Ms(Clock::now() - t0));
    }
    std::printf("Rain at %d x %d: %u bubbles, %u frozen after 135 s; %u sub-steps in 135 s, at most %u in a frame\n",
                width, height, rain->bubbleCount, frozen, subSteps, mostSubSteps);
    Report("filling, 0 to 135 s", filling);
    Report("512 piled, 20 s more", piled);
}

void BenchFireworks()
{
    std::unique_ptr<CStageCompleteScreen> screen(new CStageCompleteScreen());
    CRandomGenerator rng;
    SeedWith(rng, 1000);
    std::vector<double> ms;
    uint32_t most = 0;
    while (!screen->done)
    {
        Clock::time_point t0 = Clock::now();
        screen->Update(rng, kFrame);
        ms.push_back(Ms(Clock::now() - t0));
        most = std::max(most, screen->particleCount);
    }
    std::printf("Fireworks: %zu frames, at most %u particles\n", ms.size(), most);
    Report("whole display", ms);
}

} // namespace

int main()
{
    BenchRain(1280, 720);
    BenchRain(1024, 768);
    BenchFireworks();
    return 0;
}
