// The celebrations draw their rain and their sparks in one batch each: the
// frames must look as they did when every bubble and spark was its own draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include <GL/gl.h>

#include "screens/level_complete_screen.h"
#include "screens/screen_drawing.h"
#include "screens/stage_complete_screen.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/textures.h"
#include "tests/world/play_view_checks.h"
#include "tests/world/world_checks.h"

namespace {

struct CelebrationDrawing : testing::Test
{
    static void SetUpTestSuite() { OpenGameWindow(); }
    static void TearDownTestSuite() { CloseGameWindow(); }

    CRandomGenerator rng;

    CelebrationDrawing() { SeedWith(rng, 1000); }

    template <typename Draw>
    std::vector<uint8_t> Frame(Draw draw)
    {
        g_graphics->stage->MakeCurrent();
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        std::vector<uint8_t> pixels(size_t(g_graphics->width) * g_graphics->height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, g_graphics->width, g_graphics->height, GL_RGB, GL_UNSIGNED_BYTE,
                     pixels.data());
        PresentFrame();
        return pixels;
    }

    // A texel blend may round the other way on the batched path: by one, or
    // by two where two see-through quads overlap.
    static void ExpectAlike(const std::vector<uint8_t>& batched, const std::vector<uint8_t>& oneByOne)
    {
        int most = 0, differing = 0;
        for (size_t i = 0; i < batched.size(); ++i)
        {
            int d = std::abs(int(batched[i]) - int(oneByOne[i]));
            most = std::max(most, d);
            differing += d > 0;
        }
        EXPECT_LE(most, 2) << differing << " channels differ";
        EXPECT_LT(differing, int(batched.size() / 1000));
    }
};

TEST_F(CelebrationDrawing, BatchedRainShowsWhatBubbleByBubbleDrawingShowed)
{
    auto screen = std::make_unique<CLevelCompleteScreen>();
    CCollisionBroadPhase broadPhase(kMaxRainBubbles + 3 + kDomeCircleCount, 3);
    screen->broadPhase = &broadPhase;
    screen->stage = 2;
    screen->level = 9;
    screen->levelTime = 75;
    screen->colourCount = 10;
    screen->Load();
    for (int frame = 0; frame < 60 * 40; ++frame)
        screen->Update(rng, 1.0 / 60);
    ASSERT_GT(screen->bubbleCount, 150u);

    std::vector<uint8_t> batched = Frame([&] { screen->Draw(); });
    std::vector<uint8_t> oneByOne = Frame([&] {
        CLevelCompleteScreen& s = *screen;
        PushCentredView(ShorterStageSide() / 2.0);
        for (uint32_t i = 0; i < s.bubbleCount; ++i)
        {
            const FallingBubble& b = s.bubbles[i];
            glColor3fv(g_bubbleColours[b.colour + 1]);
            DrawWholeTexture(s.bubbleTexture, b.x - kRainRadius, b.y - kRainRadius, b.x + kRainRadius,
                             b.y + kRainRadius);
        }
        glColor3f(1, 1, 1);
        s.DrawLevelTitle(s.level, 0, 0.25, 0.35);
        DrawWholeTexture(s.completedTexture, -0.3418, -0.075, 0.3418, 0.05);
        s.DrawTime(s.levelTime, 0, -0.2, 0.125);
        PopView();
    });
    ExpectAlike(batched, oneByOne);
    screen->Unload();
}

// Bursts in the bubble picture and trail sparks in the star picture lie over
// each other in no particular order, while the stage's picture shows.
TEST_F(CelebrationDrawing, BatchedSparksShowWhatSparkBySparkDrawingShowed)
{
    auto screen = std::make_unique<CStageCompleteScreen>();
    screen->Load(1);
    for (int frame = 0; frame < 60 * 7; ++frame)
        screen->Update(rng, 1.0 / 60);
    ASSERT_GT(screen->particleCount, 500u);
    ASSERT_GT(screen->pictureAlpha, 0);

    std::vector<uint8_t> batched = Frame([&] { screen->Draw(); });
    // The screen keeps its pictures in its atlas only; each from its own
    // texture here.
    RGBABitmap* bubbleImage = nullptr;
    RGBABitmap* starImage = nullptr;
    TextureRecord* bubbleTexture = nullptr;
    TextureRecord* starTexture = nullptr;
    LoadTexture("bubble", bubbleImage, bubbleTexture);
    LoadTexture("star", starImage, starTexture);
    std::vector<uint8_t> oneByOne = Frame([&] {
        CStageCompleteScreen& s = *screen;
        PushCentredView(ShorterStageSide() * 0.5);
        glColor4d(1, 1, 1, s.pictureAlpha);
        DrawWholeTexture(s.stageTexture, -0.35, 0.1, 0.35, 0.45);
        glColor4d(1, 1, 1, s.captionAlpha);
        DrawWholeTexture(s.captionTexture, -0.3418, -0.075, 0.3418, 0.05);
        for (uint32_t i = 0; i < s.particleCount; ++i)
        {
            const FireworkParticle& p = s.particles[i];
            if (p.colour)
                glColor4d(p.colour[0], p.colour[1], p.colour[2], 1 - p.age);
            else
                glColor4d(1, 1, 1, 0.5 * (1 - p.age));
            DrawWholeTexture(p.colour ? bubbleTexture : starTexture, p.x - 0.005, p.y - 0.005,
                             p.x + 0.005, p.y + 0.005);
        }
        PopView();
    });
    FreeTexture(bubbleImage, bubbleTexture);
    FreeTexture(starImage, starTexture);
    ExpectAlike(batched, oneByOne);
    screen->Unload();
}

} // namespace
