// Frames per second of the level screen on the largest level, on whatever
// display it runs on (run_level_bench.sh starts Xvfb at 1280x720 and
// 1920x1080). Each frame is split into the world's step, its drawing (up to
// glFinish, so the renderer has really drawn it) and the buffer swap with the
// frame clock. A steady player drops whenever a bubble is loaded and sweeps
// the dropper round, so bubbles fly, stick and burst all the time.
//   level_bench [seconds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include "foundation/startup_globals.h"
#include "screens/screen_loop.h"
#include "shell/application.h"
#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/mouse.h"
#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

using Clock = std::chrono::steady_clock;

const double kWarmUpSeconds = 2;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Series
{
    std::vector<double> ms;

    double Mean() const
    {
        double sum = 0;
        for (double v : ms)
            sum += v;
        return ms.empty() ? 0 : sum / ms.size();
    }

    double Percentile(double p) const
    {
        if (ms.empty())
            return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[size_t(p * (sorted.size() - 1) + 0.5)];
    }
};

struct Level
{
    CBubbleWorld world;
    CRandomGenerator rng;
};

// What the level's input handler makes of a sweeping mouse and a held button.
void Play(CBubbleWorld& world)
{
    world.mouseDelta += 40;
    world.dropRequested = 1;
}

void Run(double seconds)
{
    g_seedCounter = 77;
    auto level = std::make_unique<Level>();
    std::memset(&level->world, 0, sizeof level->world);
    SeedRandomGenerator(level->rng);
    PlaySession session{};
    session.difficulty = 2;
    session.stage = 3;
    session.level = 9;
    session.speed = 1;
    CBubbleWorld& world = level->world;
    world.BuildLevel(level->rng, session);
    world.LoadAssets(&session);

    Series step, draw, swap, frame;
    uint32_t bubbles = 0, maxLive = 0;
    Clock::time_point start = Clock::now(), measuring = start + std::chrono::milliseconds(int(kWarmUpSeconds * 1000));
    Clock::time_point end = measuring + std::chrono::milliseconds(int(seconds * 1000));
    while (Clock::now() < end && world.state < kWorldFinalStates) {
        Clock::time_point t0 = Clock::now();
        wxYield();
        PollMouse();
        Play(world);
        ResetFrameTime(FrameClockNow());
        g_graphics->stage->MakeCurrent();
        Clock::time_point t1 = Clock::now();
        world.Step(level->rng, g_graphics->frameStep / 1000.0);
        Clock::time_point t2 = Clock::now();
        glClear(GL_COLOR_BUFFER_BIT);
        world.Draw();
        glFinish();
        Clock::time_point t3 = Clock::now();
        PresentFrame();
        Clock::time_point t4 = Clock::now();
        if (t0 < measuring)
            continue;
        step.ms.push_back(Ms(t2 - t1));
        draw.ms.push_back(Ms(t3 - t2));
        swap.ms.push_back(Ms(t4 - t3));
        frame.ms.push_back(Ms(t4 - t0));
        bubbles += world.liveCount;
        maxLive = std::max(maxLive, world.liveCount);
    }
    double wall = std::chrono::duration<double>(Clock::now() - measuring).count();

    delete world.broadPhase;
    world.broadPhase = nullptr;
    world.UnloadAssets();

    size_t n = frame.ms.size();
    std::printf("stage %dx%d, renderer %s\n", g_graphics->width, g_graphics->height,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("level: Hard, stage 4, level 10; %zu frames in %.1f s, %.0f bubbles on average "
                "(at most %u), world state %d at the end\n",
                n, wall, n ? double(bubbles) / n : 0.0, maxLive, world.state);
    std::printf("frames per second: %.1f\n", n / wall);
    std::printf("%-6s %8s %8s %8s\n", "ms", "mean", "p50", "p95");
    for (auto [name, s] : {std::pair<const char*, Series*>{"step", &step}, {"draw", &draw},
                           {"swap", &swap}, {"frame", &frame}})
        std::printf("%-6s %8.2f %8.2f %8.2f\n", name, s->Mean(), s->Percentile(0.5),
                    s->Percentile(0.95));
    double busy = step.Mean() + draw.Mean();
    std::printf("step + draw: %.2f ms, %.0f%% of the frame as run, %.0f%% of a frame at 60 fps\n",
                busy, 100 * busy / frame.Mean(), 100 * busy / (1000.0 / 60));
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 15;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
        return 2;
    wxImage::AddHandler(new wxPNGHandler);
    g_displayIndex = 0;
    g_gameMode = VideoMode{0, 0, 0, 0}; // whatever the display shows now
    g_displayChosen = true;
    InitGraphics();
    Run(seconds);
    TearDownGame();
    wxEntryCleanup();
    return 0;
}
