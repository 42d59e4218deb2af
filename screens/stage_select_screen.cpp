#include "screens/stage_select_screen.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

#include "foundation/format.h"
#include "screens/selection_screen.h"
#include "world/play_session.h"

namespace {

const uint32_t kItems = 5; // the tutorial and four stages

bool Locked(uint32_t item, uint32_t maximumLevel)
{
    return item != 0 && kLevelsPerStage * (item - 1) > maximumLevel;
}

} // namespace

const char* StageCaption(std::string& text, uint32_t stage, uint32_t maximumLevel)
{
    if (maximumLevel < kLevelsPerStage * stage)
        return FormatUnsigned(text, "Complete Stage %1 First", stage).c_str();
    if (maximumLevel >= kLevelsPerStage * stage + kLevelsPerStage)
        text = "Completed All Levels";
    else
        FormatUnsigned(text, "Completed %1 of 10 Levels", maximumLevel - kLevelsPerStage * stage);
    return text.c_str();
}

void CStageSelectScreen::OnInput(void* context, int32_t code, void* data)
{
    OnSelectionInput(*static_cast<CStageSelectScreen*>(context), code, data);
}

void CStageSelectScreen::Load()
{
    LoadSelectionControls(*this);
    stageStrip = LoadImageStrip(new ImageStrip(), "stages", int(kItems), 256, 128);
    for (uint32_t k = 1; k < kItems && k < stageStrip->frames.size(); ++k)
        if (Locked(k, maximumLevel))
            ConvertToGrey(stageStrip->frames[k]);
    CreateTextures(stageStrip, stageTextures, kItems);
    std::string text;
    for (uint32_t stage = 0; stage + 1 < kItems; ++stage)
        MakeCaption(*this, stage + 1, StageCaption(text, stage, maximumLevel));
    PlaceSelectionButtons(*this);
    target = current;
}

void CStageSelectScreen::Unload()
{
    UnloadSelectionControls(*this);
    DeleteTextures(stageTextures, kItems);
    if (stageStrip)
        FreeImageStrip(stageStrip);
    delete stageStrip;
    stageStrip = nullptr;
}

void CStageSelectScreen::Update(double seconds)
{
    // A turn takes three quarters of a second.
    TurnWheel(current, target, moveProgress, scroll, seconds / 0.75, 4.0);
    ApplySelectionRequests(*this, selectable, confirmed);
    bool settled = current == target;
    selectable = settled && !Locked(current, maximumLevel);
    canLeft = settled && current != 0;
    canRight = settled && current != kItems - 1;
    FinishSelectionUpdate(*this, selectable);
}

void CStageSelectScreen::Draw()
{
    SelectionGeometry g = CurrentSelectionGeometry();
    glClear(GL_COLOR_BUFFER_BIT);
    DrawSelectionControls(*this, selectable, g);
    double m = g.m;
    // The first and the last item are 0.7 of a turn apart.
    for (uint32_t i = 0; i < kItems; ++i) {
        double angle = (0.25 * i - scroll) * 0.7 * 2 * M_PI;
        double s = 0.76 + 0.24 * std::cos(angle);
        double x = g.cx + 0.35 * (s + 0.2) * m * std::sin(angle);
        double y = g.cy - 0.25 * (s + 0.2) * m * std::cos(angle) + 0.125 * m;
        double b = WheelBrightness(i, current, target, moveProgress);
        glColor3d(b, b, b);
        double halfWidth = 0.175 * s * m, halfHeight = 0.0875 * s * m;
        DrawTexturedQuad(stageTextures[i], x - halfWidth, y - halfHeight, x + halfWidth,
                         y + halfHeight, 1, 1, 0, 0);
    }
}

bool RunStageSelectScreen(PlaySession* session)
{
    CStageSelectScreen screen{};
    // The tutorial is offered first until a choice has been confirmed once.
    screen.current = session->tutorialRun ? std::min(session->stage, kItems - 2) + 1 : 0;
    screen.maximumLevel = session->maximumLevel;
    RunSelectionScreen(screen);
    session->tutorialRequested = screen.current == 0;
    session->stage = screen.current == 0 ? 0 : screen.current - 1;
    return screen.confirmed;
}
