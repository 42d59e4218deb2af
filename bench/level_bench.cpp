// Frames per second of the level screen on the largest level, on whatever
// display it runs on (run_level_bench.sh starts Xvfb at 1280x720 and
// 1920x1080). Three drawings take turns frame by frame on the same running
// level, so each sees the same bubbles and the same load on the machine:
//   batched      the game's drawing, a handful of draws a frame;
//   quad by quad the drawing as it was, every quad its own draw;
//   floor        a frame that only clears and draws the background.
// Each frame is split into the world's step, its drawing (up to glFinish,
// so the renderer has really drawn it) and the buffer swap with the frame
// clock. A steady player drops whenever a bubble is loaded and sweeps the
// dropper round, so bubbles fly, stick and burst all the time.
//   level_bench [seconds]
#include <sched.h>

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
#include "shell/vertical_sync.h"
#include "tests/world/quad_by_quad_drawing.h"
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

enum Drawing
{
    kBatched,
    kQuadByQuad,
    kFloor,
    kDrawings
};

const char* const kDrawingNames[kDrawings] = {"batched", "quad by quad", "floor"};

struct Figures
{
    Series step, draw, swap, frame;
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

void DrawWith(Drawing drawing, CBubbleWorld& world, const OwnTextures& own)
{
    if (drawing == kBatched)
        world.Draw();
    else if (drawing == kQuadByQuad)
        DrawWorldQuadByQuad(world, own);
    else {
        world.PlayPendingSounds();
        world.DrawBackground();
    }
}

void PrintMachine()
{
    double load[3] = {0, 0, 0};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
            load[0] = load[1] = load[2] = -1;
        std::fclose(f);
    }
    cpu_set_t cpus;
    int allowed = sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : -1;
    std::printf("cores allowed: %d; load average %.2f %.2f %.2f\n", allowed, load[0], load[1],
                load[2]);
}

void PrintFigures(const Figures (&figures)[kDrawings], double wall)
{
    std::printf("%-13s %7s %8s %8s %8s %8s %8s\n", "ms", "fps", "draw", "p50", "p95", "swap",
                "frame");
    for (int d = 0; d < kDrawings; ++d) {
        const Figures& f = figures[d];
        std::printf("%-13s %7.1f %8.2f %8.2f %8.2f %8.2f %8.2f\n", kDrawingNames[d],
                    1000 / f.frame.Mean(), f.draw.Mean(), f.draw.Percentile(0.5),
                    f.draw.Percentile(0.95), f.swap.Mean(), f.frame.Mean());
    }
    const Figures& batched = figures[kBatched];
    const Figures& old = figures[kQuadByQuad];
    const Figures& floor = figures[kFloor];
    std::printf("batched / quad by quad: %.2f times the frame rate, %.2f times the drawing speed "
                "(%.1f s measured)\n",
                old.frame.Mean() / batched.frame.Mean(), old.draw.Mean() / batched.draw.Mean(),
                wall);
    std::printf("batched frame %.2f ms against the floor's %.2f ms: %.0f%% above the floor; "
                "%.0f%% of a frame at 60 fps\n",
                batched.frame.Mean(), floor.frame.Mean(),
                100 * (batched.frame.Mean() / floor.frame.Mean() - 1),
                100 * batched.frame.Mean() / (1000.0 / 60));
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
    OwnTextures own = LoadOwnTextures();

    Figures figures[kDrawings];
    uint32_t bubbles = 0, maxLive = 0, frames = 0;
    Clock::time_point start = Clock::now(), measuring = start + std::chrono::milliseconds(int(kWarmUpSeconds * 1000));
    Clock::time_point end = measuring + std::chrono::milliseconds(int(seconds * 1000));
    while (Clock::now() < end && world.state < kWorldFinalStates) {
        Drawing drawing = Drawing(frames++ % kDrawings);
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
        DrawWith(drawing, world, own);
        glFinish();
        Clock::time_point t3 = Clock::now();
        PresentFrame();
        Clock::time_point t4 = Clock::now();
        if (t0 < measuring)
            continue;
        Figures& f = figures[drawing];
        f.step.ms.push_back(Ms(t2 - t1));
        f.draw.ms.push_back(Ms(t3 - t2));
        f.swap.ms.push_back(Ms(t4 - t3));
        f.frame.ms.push_back(Ms(t4 - t0));
        bubbles += world.liveCount;
        maxLive = std::max(maxLive, world.liveCount);
    }
    double wall = std::chrono::duration<double>(Clock::now() - measuring).count();

    delete world.broadPhase;
    world.broadPhase = nullptr;
    world.UnloadAssets();
    FreeOwnTextures(own);

    size_t n = 0;
    for (const Figures& f : figures)
        n += f.frame.ms.size();
    std::printf("stage %dx%d, renderer %s, swap interval %d\n", g_graphics->width,
                g_graphics->height, reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                CurrentSwapInterval());
    PrintMachine();
    std::printf("level: Hard, stage 4, level 10; %zu frames in %.1f s, %.0f bubbles on average "
                "(at most %u), world state %d at the end; step %.2f ms a frame\n",
                n, wall, n ? double(bubbles) / n : 0.0, maxLive, world.state,
                figures[kBatched].step.Mean());
    PrintFigures(figures, wall);
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
