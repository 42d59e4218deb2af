// The stage-completed fireworks on the stage: pictures, drawing and the
// screen loop that runs them.
#include "screens/stage_complete_screen.h"

#include <GL/gl.h>

#include "screens/screen_drawing.h"
#include "screens/celebration_loop.h"
#include "shell/quad_batch.h"
#include "shell/texture_atlas.h"
#include "world/play_session.h"

namespace {

const double kPictureHalfWidth = 0.35;
const double kPictureBottom = 0.1;
const double kPictureTop = 0.45;
const double kCaptionHalfWidth = 0.3418;
const double kCaptionBottom = -0.075;
const double kCaptionTop = 0.05;
const double kSparkHalfSize = 0.005;
const double kTrailAlpha = 0.5;

} // namespace

void CStageCompleteScreen::Load(uint32_t stage)
{
    // Column 0 of "stages" is the tutorial's picture.
    LoadColumnTexture("stages", int(stage + 1) * 256, 128, stageImage, stageTexture);
    LoadTexture("text_completed", captionImage, captionTexture);
    const char* const sparks[] = {"bubble", "star"};
    TextureRegion regions[2];
    BuildAtlasFromResources(sparkAtlas, sparks, 2, regions);
    bubbleRegion = regions[0];
    starRegion = regions[1];
}

void CStageCompleteScreen::Unload()
{
    FreeTexture(stageImage, stageTexture);
    FreeTexture(captionImage, captionTexture);
    FreeAtlas(sparkAtlas);
    bubbleRegion = starRegion = TextureRegion{};
}

void CStageCompleteScreen::Draw()
{
    PushCentredView(ShorterStageSide() * 0.5);
    glClear(GL_COLOR_BUFFER_BIT);
    if (pictureAlpha > 0)
    {
        glColor4d(1, 1, 1, pictureAlpha);
        DrawWholeTexture(stageTexture, -kPictureHalfWidth, kPictureBottom, kPictureHalfWidth, kPictureTop);
    }
    if (captionAlpha > 0)
    {
        glColor4d(1, 1, 1, captionAlpha);
        DrawWholeTexture(captionTexture, -kCaptionHalfWidth, kCaptionBottom, kCaptionHalfWidth, kCaptionTop);
    }
    // Rockets are not drawn: their trails show them. Bursts and sparks
    // overlap in no particular order, so they share one texture and one batch.
    QuadBatch& batch = g_quadBatch;
    for (uint32_t i = 0; i < particleCount; ++i)
    {
        const FireworkParticle& p = particles[i];
        if (p.colour)
            BatchColour(batch, float(p.colour[0]), float(p.colour[1]), float(p.colour[2]), float(1 - p.age));
        else
            BatchColour(batch, 1, 1, 1, float(kTrailAlpha * (1 - p.age)));
        BatchWholeQuad(batch, p.colour ? bubbleRegion : starRegion, kInPlace, p.x - kSparkHalfSize,
                       p.y - kSparkHalfSize, p.x + kSparkHalfSize, p.y + kSparkHalfSize);
    }
    FlushQuads(batch);
    glColor4d(1, 1, 1, 1);
    PopView();
}

void RunStageCompleteScreen(PlaySession* session)
{
    CRandomGenerator rng;
    SeedRandomGenerator(rng);
    CStageCompleteScreen screen{};
    HiddenCursor hidden;
    screen.Load(session->stage);
    UnloadOnExit<CStageCompleteScreen> unload{screen};
    RunCelebrationLoop(screen, rng);
}
