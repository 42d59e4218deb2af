// Runs the tutorial or one of the celebration screens through the game's real
// start-up (settings, display, game window, sound thread) and reports what
// happens on stdout, one line per fact, for scripts that drive it with
// xdotool and for looking at the screens:
//   celebration_probe --tutorial [--autoplay]
//   celebration_probe --rain DIFFICULTY STAGE LEVEL SECONDS
//   celebration_probe --fireworks STAGE
//   any of them with --shots DIR to save pictures along the way.
//   celebration_probe --steady DIR draws the rain and then the fireworks in
//   steps of 1/60 s, as a 60 Hz display shows them (Xvfb swaps at once), and
//   saves pictures at set moments.
// Lines: "tutorial step N", "tutorial ends", "rain starts", "rain ends at
// T", "fireworks starts", "fireworks ends at T", "shot PATH".
// With --autoplay the tutorial plays itself through its own input handler,
// as keys and the mouse would; the bursting of steps 5 and 6 is left to a
// real player, so after a few drops the probe moves the mark away.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/timer.h>

#include "foundation/startup_globals.h"
#include "screens/level_complete_screen.h"
#include "screens/stage_complete_screen.h"
#include "screens/tutorial.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/input.h"
#include "world/play_session.h"
#include "world/random_generator.h"
#include "tests/support/gui_test_support.h"
#include "tests/support/probe_program.h"

namespace {

const int kTickMs = 30;

enum Screen
{
    kNoScreen,
    kTutorial,
    kRain,
    kFireworks,
    kSteady,
};

struct Options
{
    Screen screen = kNoScreen;
    PlaySession session{};
    bool autoplay = false;
    std::string shots;
};

Options g_options;

void Shot(const std::string& name)
{
    std::string path = SaveScreenShotTo(g_options.shots, name);
    if (!path.empty())
        Report("shot %s", path.c_str());
}

void Send(int32_t code, int32_t key)
{
    g_graphics->inputCallback(g_graphics->inputContext, code, &key);
}

template <typename Screen>
Screen* Running(InputCallback callback)
{
    if (!g_graphics || !g_graphics->active || g_graphics->inputCallback != callback)
        return nullptr;
    return static_cast<Screen*>(g_graphics->inputContext);
}

// Plays the tutorial as a player would: reads each plate, aims by moving the
// mouse, drops with a click.
class CTutorialWatch : public wxTimer
{
public:
    void Notify() override
    {
        CTutorial* t = Running<CTutorial>(CTutorial::OnInput);
        if (!t)
            return;
        if (t->step != m_step)
        {
            m_step = t->step;
            m_ticks = 0;
            Report("tutorial step %u", m_step);
        }
        ++m_ticks;
        if (m_ticks == 25)
            Shot("tutorial_step" + std::to_string(m_step));
        if (g_options.autoplay && m_ticks > 30)
            Play(*t);
    }

private:
    uint32_t m_step = 0;
    int m_ticks = 0;
    int m_drops = 0;

    void Aim(CTutorial& t, double x, double y)
    {
        double aim = std::atan2(x, y) / (2 * M_PI);
        double turn = aim - t.world.angle;
        if (std::fabs(turn) > 0.001)
        {
            InputDelta delta{turn * t.world.distance / (t.world.turnSpeed * 5e-05), 0};
            g_graphics->inputCallback(g_graphics->inputContext, InputMouseDelta, &delta);
        }
    }

    void Drop(CTutorial& t)
    {
        if (t.world.freeCount > 0 || t.world.queueCount == 0 || t.world.queue[0].progress < 1)
            return;
        InputPoint p{0, 0};
        g_graphics->inputCallback(g_graphics->inputContext, InputLeftDown, &p);
        g_graphics->inputCallback(g_graphics->inputContext, InputLeftUp, &p);
        ++m_drops;
    }

    void Play(CTutorial& t)
    {
        switch (t.step)
        {
        case 3:
            Aim(t, 0.06, 0.103923);
            break;
        case 4:
            Drop(t);
            break;
        case 5:
        case 6:
            Aim(t, t.targetX, t.targetY);
            Drop(t);
            if (m_ticks == 150)
                Shot("tutorial_step" + std::to_string(t.step) + "_play");
            if (m_ticks > 200)
                t.targetX = 10; // the burst is a real player's to make
            break;
        default:
            Send(InputKeyUp, 13);
            break;
        }
    }
};

// Saves pictures of a celebration at the given moments of its clock.
template <typename Screen>
class CCelebrationWatch : public wxTimer
{
public:
    CCelebrationWatch(InputCallback callback, const char* name, std::initializer_list<double> moments)
        : m_callback(callback), m_name(name), m_moments(moments)
    {
    }

    void Notify() override
    {
        Screen* s = Running<Screen>(m_callback);
        if (!s)
            return;
        if (!m_started)
            Report("%s starts", m_name.c_str());
        m_started = true;
        m_clock = s->clock;
        if (m_next < m_moments.size() && s->clock >= m_moments[m_next])
            Shot(m_name + "_" + std::to_string(int(m_moments[m_next++])) + "s");
    }

    double m_clock = 0;

private:
    InputCallback m_callback;
    std::string m_name;
    std::vector<double> m_moments;
    size_t m_next = 0;
    bool m_started = false;
};

// Runs a celebration's record in steps of 1/60 s, drawing each, and saves
// pictures at the given moments of its clock.
template <typename Screen>
void DrawSteadily(Screen& screen, const char* name, std::initializer_list<double> moments)
{
    CRandomGenerator rng;
    SeedRandomGenerator(rng);
    auto next = moments.begin();
    while (next != moments.end())
    {
        screen.Update(rng, 1.0 / 60);
        g_graphics->stage->MakeCurrent();
        screen.Draw();
        PresentFrame();
        wxYield();
        if (screen.clock >= *next)
            Shot(std::string(name) + "_steady_" + std::to_string(int(*next++)) + "s");
    }
}

void DrawCelebrationsSteadily()
{
    std::unique_ptr<CLevelCompleteScreen> rain(new CLevelCompleteScreen());
    rain->stage = 1;
    rain->level = 4;
    rain->levelTime = 83;
    rain->colourCount = RainColourCount(1, 1);
    CCollisionBroadPhase broadPhase(kMaxRainBubbles + 3 + kDomeCircleCount, 3);
    rain->broadPhase = &broadPhase;
    rain->Load();
    DrawSteadily(*rain, "rain", {10, 30, 60, 120});
    rain->Unload();

    std::unique_ptr<CStageCompleteScreen> fireworks(new CStageCompleteScreen());
    fireworks->Load(2);
    DrawSteadily(*fireworks, "fireworks", {3, 5, 7, 9, 13, 17});
    fireworks->Unload();
}

void RunProbeScreen()
{
    g_seedCounter = 1000;
    switch (g_options.screen)
    {
    case kTutorial:
    {
        CTutorialWatch watch;
        watch.Start(kTickMs);
        RunTutorial();
        watch.Stop();
        Report("tutorial ends");
        break;
    }
    case kRain:
    {
        CCelebrationWatch<CLevelCompleteScreen> watch(CLevelCompleteScreen::OnInput, "rain", {3, 15, 40});
        watch.Start(kTickMs);
        RunLevelCompleteScreen(&g_options.session);
        watch.Stop();
        Report("rain ends at %.0f", watch.m_clock);
        break;
    }
    case kFireworks:
    {
        CCelebrationWatch<CStageCompleteScreen> watch(CStageCompleteScreen::OnInput, "fireworks", {3, 7, 10});
        watch.Start(kTickMs);
        RunStageCompleteScreen(&g_options.session);
        watch.Stop();
        Report("fireworks ends at %.0f", watch.m_clock);
        Report("frames %u average %.2f ms", g_graphics->frameCount, g_graphics->averageFrameTime);
        break;
    }
    case kSteady:
        DrawCelebrationsSteadily();
        Report("steady ends");
        break;
    default:
        break;
    }
}

bool ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (arg == "--tutorial")
            g_options.screen = kTutorial;
        else if (arg == "--autoplay")
            g_options.autoplay = true;
        else if (arg == "--rain" && i + 4 < argc)
        {
            g_options.screen = kRain;
            g_options.session.difficulty = std::atoi(argv[++i]);
            g_options.session.stage = uint32_t(std::atoi(argv[++i]));
            g_options.session.level = uint32_t(std::atoi(argv[++i]));
            g_options.session.levelTime = std::atoi(argv[++i]);
        }
        else if (arg == "--fireworks" && i + 1 < argc)
        {
            g_options.screen = kFireworks;
            g_options.session.stage = uint32_t(std::atoi(argv[++i]));
        }
        else if (arg == "--steady" && i + 1 < argc)
        {
            g_options.screen = kSteady;
            g_options.shots = argv[++i];
        }
        else if (arg == "--shots" && i + 1 < argc)
            g_options.shots = argv[++i];
        else
        {
            std::fprintf(stderr, "celebration_probe: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    return g_options.screen != kNoScreen;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseOptions(argc, argv))
        return 2;
    return RunProbeProgram(argc, argv, RunProbeScreen);
}
