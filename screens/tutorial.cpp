// The tutorial on the stage: its world shown as a level is, the plate and the
// marks drawn over it, and the screen loop that runs the script.
#include "screens/tutorial.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include <GL/gl.h>

#include "screens/level_play.h"
#include "screens/screen_drawing.h"
#include "screens/screen_loop.h"
#include "shell/graphics.h"
#include "shell/text_images.h"
#include "shell/textures.h"
#include "world/play_session.h"

namespace {

// The dropper starts next to its resting distance over this level.
const double kStartDistance = 0.1885827471101601;

// The text box on the plate, as fractions of the plate picture.
const double kTextLeft = 0.09375;
const double kTextTop = 0.1875;
const double kTextWidth = 0.8125;
const double kTextHeight = 0.625;

// The plate in the plate frame (one unit = the shorter side of the stage).
const double kPlateLeft = 0.05;
const double kPlateBottom = 0;
const double kPlateRight = 0.45;
const double kPlateTop = 0.2;
const double kPointerFromX = 0.25; // the plate's middle
const double kPointerFromY = 0.1;

const double kMarkerHalfSize = 0.02;
const double kMarkerTurnRate = 90; // degrees per second
const float kMarkWidth = 4;
const float kCyan[3] = {0, 1, 1};

struct TutorialRun
{
    CTutorial tutorial;
    CRandomGenerator rng;
};

void UpdateTutorial(void* context, double seconds)
{
    auto* run = static_cast<TutorialRun*>(context);
    CTutorial& t = run->tutorial;
    t.UpdateStep();
    if (t.physicsRunning)
        t.world.Step(run->rng, seconds);
    t.confirmReleased = 0;
    t.mouseReleased = 0;
}

void DrawTutorial(void* context)
{
    CTutorial& t = static_cast<TutorialRun*>(context)->tutorial;
    t.world.Draw();
    t.DrawOverlay();
}

bool TutorialEnded(void* context)
{
    return static_cast<TutorialRun*>(context)->tutorial.done;
}

// Keys released while another program had the keyboard never reach us.
void ResumeTutorial(void* context)
{
    CTutorial& t = static_cast<TutorialRun*>(context)->tutorial;
    DropHeldInput(t.world);
    t.escapeDown = 0;
    t.confirmDown = 0;
}

// Once the loop is over, also when an error unwinds it: the broad phase,
// the world's pictures, sounds and capture, then the plate.
struct TutorialRelease
{
    CTutorial& tutorial;

    ~TutorialRelease()
    {
        delete tutorial.world.broadPhase;
        tutorial.world.broadPhase = nullptr;
        tutorial.world.UnloadAssets();
        tutorial.step = kTutorialSteps + 1;
        tutorial.LoadStepText();
    }
};

// The frame the world is drawn in: whole-pixel stage centre, 5h/3 pixels a
// unit, pushed down by the dropper's distance and turned by its angle.
void PushWorldFrame(const CBubbleWorld& world)
{
    PushCentredView(double(g_graphics->height * 5 / 3));
    glTranslated(0, -world.distance, 0);
    glRotated(world.angle * 360, 0, 0, 1);
}

void BeginLines()
{
    glDisable(GL_TEXTURE_2D);
    glLineWidth(kMarkWidth);
    glColor3fv(kCyan);
}

void EndLines()
{
    glLineWidth(1);
    glEnable(GL_TEXTURE_2D);
}

// Two pairs of squares turning against each other at 90 degrees a second,
// pulsing between 1.0 and 1.2 times their size twice a second.
void DrawMarker(double x, double y, double clock)
{
    const double base[4] = {45, 45, 0, 0};
    const double sense[4] = {1, -1, 1, -1};
    const double h = kMarkerHalfSize;
    double scale = 1.1 + 0.1 * std::cos(4 * M_PI * clock);
    for (int i = 0; i < 4; ++i)
    {
        glPushMatrix();
        glTranslated(x, y, 0);
        glRotated(base[i] + sense[i] * kMarkerTurnRate * clock, 0, 0, 1);
        glScaled(scale, scale, scale);
        glBegin(GL_LINES);
        glVertex2d(-h, -h); // left side
        glVertex2d(-h, h);
        glVertex2d(h, -h); // right side
        glVertex2d(h, h);
        glVertex2d(-h, -h); // bottom
        glVertex2d(h, -h);
        glVertex2d(-h, h); // top
        glVertex2d(h, h);
        glEnd();
        glPopMatrix();
    }
}

} // namespace

void CTutorial::LoadStepText()
{
    FreeTexture(plateImage, plateTexture);
    if (step < 1 || step > kTutorialSteps)
        return;
    plateImage = RenderTutorialPlateImage(g_tutorialTexts[step - 1], kTextLeft, kTextTop, kTextWidth, kTextHeight);
    plateTexture = CreateTexture(plateImage, true);
}

void CTutorial::DrawOverlay()
{
    if (showMarker)
    {
        PushWorldFrame(world);
        BeginLines();
        DrawMarker(targetX, targetY, world.clock);
        EndLines();
        PopView();
    }
    PushCentredView(ShorterStageSide());
    if (showPointer)
    {
        BeginLines();
        glBegin(GL_LINES);
        glVertex2d(kPointerFromX, kPointerFromY);
        glVertex2d(targetX, targetY);
        glEnd();
        EndLines();
    }
    // Over the pointer: the plate covers the part of the line on it.
    glColor3f(1, 1, 1);
    DrawWholeTexture(plateTexture, kPlateLeft, kPlateBottom, kPlateRight, kPlateTop);
    PopView();
}

void RunTutorial()
{
    // Far too large for the stack: one zeroed heap record for the run.
    std::unique_ptr<TutorialRun> run(new TutorialRun());
    CTutorial& t = run->tutorial;
    SeedTutorialGenerator(run->rng);
    PlaySession session{};
    t.world.BuildLevel(run->rng, session);
    t.world.LoadAssets(&session);
    TutorialRelease release{t};
    t.world.distance = kStartDistance;
    t.world.state = kWorldTutorial;

    ScreenSteps steps{};
    steps.context = run.get();
    steps.onInput = CTutorial::OnInput;
    steps.inputContext = &t;
    steps.ended = TutorialEnded;
    steps.update = UpdateTutorial;
    steps.draw = DrawTutorial;
    steps.resumed = ResumeTutorial;
    RunScreenLoop(kInputFirst, steps);
}
