// Plays one level through the game's real start-up (settings, display, game
// window, sound thread) and reports what happens on stdout, one line per
// fact, for scripts that drive it with xdotool:
//   level_probe [options]
//     --level D S L   difficulty, stage and level (default 0 0 0)
//     --seed N        the seed counter at the start (default 1000)
//     --autoplay      aims and drops by itself through the level's input handler
//     --shots DIR     saves start.png, mid.png (bursts and freed stars on
//                     screen) and end.png (the clearing's last bubbles)
// Lines: "level starts supply N stars N", "angle up|down" when the dropper
// has turned, "fired supply N", "state S", "pause" when the pause menu
// shows, "continue" when the level goes on after it, and "level ends time T won W".
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/timer.h>

#include "foundation/startup_globals.h"
#include "screens/level_play.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/input.h"
#include "tests/support/gui_test_support.h"
#include "tests/support/probe_program.h"
#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

const int kTickMs = 30;
const double kAimTolerance = 0.002; // turns

struct Options
{
    PlaySession session{};
    uint32_t seed = 1000;
    bool autoplay = false;
    std::string shots;
};

Options g_options;

// The world of the running level: the level's input context.
CBubbleWorld* RunningWorld()
{
    if (!g_graphics || g_graphics->inputCallback != CBubbleWorld::OnInput)
        return nullptr;
    return static_cast<CBubbleWorld*>(g_graphics->inputContext);
}

double Wrap(double turns)
{
    return turns - std::floor(turns + 0.5);
}

// The fired bubble flies straight in toward the centre and meets the first
// bubble near its line. Whether `target` is that first one from `angle`.
bool IsExposed(const CBubbleWorld& w, const CBubble* target, double angle)
{
    double dx = std::sin(2 * M_PI * angle), dy = std::cos(2 * M_PI * angle);
    double reach = target->x * dx + target->y * dy;
    for (uint32_t i = 0; i < w.liveCount; ++i) {
        const CBubble* b = w.live[i];
        if (b == target)
            continue;
        double along = b->x * dx + b->y * dy;
        double across = b->x * dy - b->y * dx;
        if (along > reach && std::fabs(across) < 2 * kBubbleRadius)
            return false;
    }
    return true;
}

// Stars in the bubbles that the target covers on its line to the centre.
uint32_t StarsBehind(const CBubbleWorld& w, const CBubble* target, double angle)
{
    double dx = std::sin(2 * M_PI * angle), dy = std::cos(2 * M_PI * angle);
    double reach = target->x * dx + target->y * dy;
    uint32_t stars = 0;
    for (uint32_t i = 0; i < w.liveCount; ++i) {
        const CBubble* b = w.live[i];
        double along = b->x * dx + b->y * dy;
        double across = b->x * dy - b->y * dx;
        stars += b->hasStar && along < reach && std::fabs(across) < 3 * kBubbleRadius;
    }
    return stars;
}

// The bubbles of b's colour linked to it, and the stars among them.
void MeasureGroup(const CBubble* b, uint32_t* size, uint32_t* stars)
{
    CBubble* group[kMaxBurstGroup];
    uint32_t n = 0;
    group[n++] = const_cast<CBubble*>(b);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t k = 0; k < group[i]->neighbourCount; ++k) {
            CBubble* o = group[i]->neighbours[k];
            bool listed = false;
            for (uint32_t j = 0; j < n; ++j)
                listed = listed || group[j] == o;
            if (!listed && o->colour == b->colour && n < kMaxBurstGroup)
                group[n++] = o;
        }
    *size = n;
    *stars = 0;
    for (uint32_t i = 0; i < n; ++i)
        *stars += group[i]->hasStar;
}

// An outer bubble of the front colour, best one whose group bursts with the
// new bubble and frees stars.
bool ChooseAim(const CBubbleWorld& w, double* aim)
{
    if (w.queueCount == 0)
        return false;
    uint8_t colour = w.queue[0].colour;
    int best = -1;
    for (uint32_t i = 0; i < w.liveCount; ++i) {
        const CBubble* b = w.live[i];
        if (!b->stuck || b->colour != colour)
            continue;
        double angle = std::atan2(b->x, b->y) / (2 * M_PI);
        if (!IsExposed(w, b, angle))
            continue;
        uint32_t size, stars;
        MeasureGroup(b, &size, &stars);
        int score = int(size) * 4 + int(stars) * 64;
        if (size >= 2)
            score += int(StarsBehind(w, b, angle)) * 32;
        if (score > best) {
            best = score;
            *aim = angle;
        }
    }
    return best >= 0;
}

// Turns the dropper with relative mouse motion, as a player's hand would,
// and drops once it points at the chosen bubble.
void Autoplay(CBubbleWorld& w)
{
    static double aim = 0;
    static bool aiming = false;
    if (w.state != kWorldPlay && w.state != kWorldOutOfBubbles)
        return;
    if (!aiming)
        aiming = ChooseAim(w, &aim);
    if (!aiming)
        aim = w.angle; // nothing of the colour is in reach: drop anywhere
    double turn = Wrap(aim - w.angle);
    if (std::fabs(turn) > kAimTolerance) {
        InputDelta delta{turn * w.distance / (w.turnSpeed * 5e-05), 0};
        SendInput(InputMouseDelta, &delta);
        return;
    }
    if (w.queueCount > 0 && w.queue[0].progress >= 0.99) {
        InputPoint click{0, 0};
        SendInput(InputLeftDown, &click);
        aiming = false;
    }
}

void Shot(const char* name)
{
    std::string path = SaveScreenShotTo(g_options.shots, name);
    if (!path.empty())
        Report("shot %s", path.c_str());
}

// Whether a world point shows on the stage: turned with the dropper, pushed
// down by its distance, ⌊5h/3⌋ pixels to the unit.
bool OnScreen(const CBubbleWorld& w, double x, double y)
{
    double a = 2 * M_PI * w.angle;
    double sx = x * std::cos(a) - y * std::sin(a);
    double sy = x * std::sin(a) + y * std::cos(a) - w.distance;
    double unit = double(g_graphics->height * 5 / 3);
    return std::fabs(sx) * unit < g_graphics->width / 2 && std::fabs(sy) * unit < g_graphics->height / 2;
}

bool BurstsAndStarsShown(const CBubbleWorld& w)
{
    uint32_t pops = 0, stars = 0;
    for (uint32_t i = 0; i < w.popCount; ++i)
        pops += OnScreen(w, w.pops[i].x, w.pops[i].y) && w.pops[i].age < 0.9;
    for (uint32_t i = 0; i < w.freedStarCount; ++i)
        stars += OnScreen(w, w.freedStars[i].x, w.freedStars[i].y) && w.freedStars[i].age > 0.1
                 && w.freedStars[i].age < 0.5;
    return pops >= 2 && stars >= 1;
}

// Watches the running level between its frames and reports what changed.
class CLevelWatch : public wxTimer
{
public:
    void Notify() override
    {
        CBubbleWorld* w = RunningWorld();
        if (!w || !g_graphics->active)
            return;
        if (WatchPause(*w))
            return;
        ++ticks;
        if (ticks == 1) {
            Report("level starts supply %u stars %u", w->supply, w->starsLeft);
            lastSupply = w->supply;
            lastAngle = w->angle;
            lastState = w->state;
        }
        ReportChanges(*w);
        TakeShots(*w);
        if (g_options.autoplay)
            Autoplay(*w);
    }

private:
    int ticks = 0;
    uint32_t lastSupply = 0;
    double lastAngle = 0;
    int32_t lastState = 0;
    bool midTaken = false;
    bool endTaken = false;
    bool paused = false;

    // The timer runs on inside the menu's own event loop. True while it shows.
    bool WatchPause(const CBubbleWorld& w)
    {
        bool shown = g_graphics->activeMenu != nullptr;
        if (shown && !paused)
            Report("pause");
        if (!shown && paused && w.state < kWorldFinalStates)
            Report("continue");
        paused = shown;
        return shown;
    }

    void ReportChanges(const CBubbleWorld& w)
    {
        if (w.supply != lastSupply) {
            lastSupply = w.supply;
            Report("fired supply %u", w.supply);
        }
        if (std::fabs(w.angle - lastAngle) > 0.01) {
            Report("angle %s", w.angle > lastAngle ? "up" : "down");
            lastAngle = w.angle;
        }
        if (w.state != lastState) {
            lastState = w.state;
            Report("state %d", w.state);
        }
    }

    void TakeShots(const CBubbleWorld& w)
    {
        if (ticks == 40)
            Shot("start");
        if (!midTaken && w.state == kWorldPlay && BurstsAndStarsShown(w)) {
            midTaken = true;
            Shot("mid");
        }
        if (!endTaken && w.state == kWorldClearing && w.liveCount <= 12) {
            endTaken = true;
            Shot("end");
        }
    }
};

void PlayProbeLevel()
{
    g_seedCounter = g_options.seed;
    CLevelWatch watch;
    watch.Start(kTickMs);
    PlaySession session = g_options.session;
    bool won = RunLevel(&session);
    watch.Stop();
    Report("level ends time %d won %d", session.levelTime, won);
}

bool ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--level" && i + 3 < argc) {
            g_options.session.difficulty = std::atoi(argv[++i]);
            g_options.session.stage = uint32_t(std::atoi(argv[++i]));
            g_options.session.level = uint32_t(std::atoi(argv[++i]));
        } else if (arg == "--seed" && i + 1 < argc) {
            g_options.seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--autoplay") {
            g_options.autoplay = true;
        } else if (arg == "--shots" && i + 1 < argc) {
            g_options.shots = argv[++i];
        } else {
            std::fprintf(stderr, "level_probe: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    g_options.session.speed = 1;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseOptions(argc, argv))
        return 2;
    return RunProbeProgram(argc, argv, PlayProbeLevel);
}
