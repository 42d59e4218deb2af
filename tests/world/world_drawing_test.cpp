// The play screen drawn on the test display and read back from the X server,
// compared region by region with what the pictures and the play view give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>

#include <GL/gl.h>

#include "audio/sound_data.h"
#include "audio/sound_thread.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/textures.h"
#include "tests/world/play_view_checks.h"
#include "tests/world/quad_by_quad_drawing.h"
#include "tests/support/sound_thread_stub.h"
#include "tests/world/world_checks.h"
#include "world/world_assets.h"

namespace {

const double kWhite[4] = {1, 1, 1, 1};

struct Drawing : testing::Test
{
    static void SetUpTestSuite() { OpenGameWindow(); }
    static void TearDownTestSuite() { CloseGameWindow(); }

    CRandomGenerator rng;
    WorldPtr world;
    PlaySession session{};
    int w = 0, h = 0;
    // The world keeps these in its atlas only: the pictures to expect.
    RGBABitmap* bubbleImage = LoadImageRGBA("bubble");
    RGBABitmap* starImage = LoadImageRGBA("star");
    RGBABitmap* centreImage = LoadImageRGBA("center");

    Drawing()
    {
        SeedWith(rng, 1000);
        world = BuildTestLevel(rng, 0, 0, 2);
        // Nearer than at the start, so the centre and most bubbles are on the stage.
        world->distance = 0.25;
        w = g_graphics->width;
        h = g_graphics->height;
        g_graphics->stage->MakeCurrent();
        world->LoadAssets(&session);
    }

    ~Drawing() override
    {
        world->UnloadAssets();
        for (RGBABitmap* image : {bubbleImage, starImage, centreImage})
            std::free(image);
    }

    wxImage Frame()
    {
        g_graphics->stage->MakeCurrent();
        glClear(GL_COLOR_BUFFER_BIT);
        world->Draw();
        PresentFrame();
        return CaptureStage();
    }

    Affine World() const { return WorldLayer(w, h, world->angle, world->distance); }

    Quad Background() const
    {
        return Quad{world->assets->backgroundImage, false, World(), -2, -2, 2, 2, 8, 8, 0, 0,
                    {1, 1, 1, 1}};
    }

    Quad Dispenser() const
    {
        return Quad{world->assets->dispenserImage, true, ScreenLayer(w, h), -0.16893939393939397,
                    0.156060606060606, 0.025, 0.35, 0.99, 0.99, 0, 0, {1, 1, 1, 1}};
    }

    // A bubble in its own frame, placed by `at`: its highlight turns with its layer.
    Quad Bubble(const Affine& at, uint8_t colour) const
    {
        const float* c = g_bubbleColours[colour];
        return Quad{bubbleImage, true, at, -0.02, -0.02, 0.02, 0.02, 1, 1, 0, 0,
                    {c[0], c[1], c[2], 1}};
    }

    Quad Bubble(const Affine& layer, double x, double y, uint8_t colour, double scale = 1) const
    {
        return Bubble(Compose(layer, Compose(Translation(x, y), Scaling(scale))), colour);
    }

    Quad Star(const Affine& layer, double x, double y, double r, double alpha) const
    {
        return Quad{starImage, true, Compose(layer, Translation(x, y)), -r, -r, r, r,
                    1, 1, 0, 0, {1, 1, 1, alpha}};
    }

    // The glyphs of a number as the digit picture lays them out.
    void Digits(std::vector<Quad>& quads, const char* text, double x, double y, double height,
                const Affine& layer, double grey) const
    {
        int n = int(std::strlen(text));
        double g = height * 36.6 / 64;
        for (int i = 0; i < n; ++i) {
            int d = text[i] - '0';
            double left = x - n * g / 2 + i * g;
            quads.push_back(Quad{world->assets->digitsImage, true, layer, left, y, left + g,
                                 y + height, 36.6 / 256, 0.5, (d % 5) * 36.6 / 256,
                                 (1 - d / 5) * 0.5, {grey, grey, grey, 1}});
        }
    }

    // The stage rectangle (y down) round a point of a layer.
    wxRect Around(const Affine& layer, double x, double y, int half) const
    {
        double px = layer.a * x + layer.b * y + layer.e;
        double py = layer.c * x + layer.d * y + layer.f;
        return wxRect(int(px) - half, h - int(py) - half, 2 * half, 2 * half);
    }

    bool OnStage(const wxRect& r) const
    {
        return r.x >= 0 && r.y >= 0 && r.GetRight() < w && r.GetBottom() < h;
    }
};

TEST_F(Drawing, ALevelShowsItsBackgroundDispenserSupplyBubblesAndCentre)
{
    ASSERT_NE(centreImage, nullptr) << "the pictures did not load";
    ASSERT_EQ(world->queueCount, 0u);
    wxImage shot = Frame();
    Affine screen = ScreenLayer(w, h);

    // Sky far from the cluster and the dropper.
    EXPECT_GE(MatchingShare(shot, {Background()}, wxRect(w - 130, 180, 60, 60)), 0.95);

    // The dropper, with the supply in grey digits inside its window.
    std::vector<Quad> dropper{Background(), Dispenser()};
    char supply[16];
    std::snprintf(supply, sizeof supply, "%u", world->supply);
    ASSERT_EQ(std::strlen(supply), 3u);
    std::vector<Quad> counter = dropper;
    Digits(counter, supply, -0.05303030303030304, 0.26439393939393935, 0.027272727272727275,
           screen, 0.5);
    wxRect housing = Around(screen, -0.072, 0.22, 40);
    EXPECT_GE(MatchingShare(shot, counter, housing), 0.95);
    wxRect digits = Around(screen, -0.05303030303030304, 0.278, 24);
    EXPECT_GE(MatchingShare(shot, counter, digits), 0.95);
    EXPECT_LT(MatchingShare(shot, dropper, digits), 0.8) << "no digits were drawn";

    // Every bubble on the stage, tinted by its colour, with its star.
    int checked = 0;
    for (uint32_t i = 0; i < world->liveCount; ++i) {
        const CBubble* b = world->live[i];
        wxRect r = Around(World(), b->x, b->y, 10);
        if (b->colour == 0 || !OnStage(r))
            continue;
        std::vector<Quad> quads{Background(), Bubble(World(), b->x, b->y, b->colour)};
        if (b->hasStar)
            quads.push_back(Star(World(), b->x, b->y, 0.016, 1));
        EXPECT_GE(MatchingShare(shot, quads, r), 0.9) << "bubble " << i << " colour " << int(b->colour);
        ++checked;
    }
    EXPECT_GT(checked, 20);

    // The centre stands `distance` below the middle of the stage.
    Quad centre{centreImage, true, World(), -0.06, -0.06, 0.06, 0.06, 1, 1, 0, 0,
                {1, 1, 1, 1}};
    int row = h / 2 + int(std::lround(world->distance * (h * 5 / 3)));
    ASSERT_LT(row + 40, h);
    EXPECT_GE(MatchingShare(shot, {Background(), centre}, wxRect(w / 2 - 40, row - 40, 80, 80)),
              0.95);
    // The same, placed by hand: the hub's middle on the stage's middle column at that row.
    double unit = h * 5 / 3;
    Affine below = Compose(Translation(w / 2, h / 2 - world->distance * unit), Scaling(unit));
    centre.place = below;
    EXPECT_GE(MatchingShare(shot, {Background(), centre}, wxRect(w / 2 - 20, row - 20, 40, 40), 6),
              0.95);
}

TEST_F(Drawing, RaisingTheAngleTurnsTheWorldCounterClockwise)
{
    world->angle = 0.25;
    wxImage shot = Frame();
    Affine screen = ScreenLayer(w, h);
    int checked = 0;
    for (uint32_t i = 0; i < world->liveCount && checked < 10; ++i) {
        const CBubble* b = world->live[i];
        // A quarter turn to the left takes (x, y) to (-y, x).
        double sx = -b->y, sy = b->x - world->distance;
        wxRect r = Around(screen, sx, sy, 10);
        if (b->colour == 0 || b->hasStar || !OnStage(r))
            continue;
        Affine turned = Compose(screen, Compose(Translation(sx, sy), Rotation(90)));
        EXPECT_GE(MatchingShare(shot, {Background(), Bubble(turned, b->colour)}, r), 0.9);
        ++checked;
    }
    EXPECT_EQ(checked, 10);
}

TEST_F(Drawing, QueuedBubblesSwingOnTheFeedAndEffectsFade)
{
    world->queueCount = 2;
    world->queue[0] = QueuedBubble{1.0, 0, 2};
    world->queue[1] = QueuedBubble{0.5, 0, 4};
    world->popCount = 2;
    world->pops[0] = PopEffect{0.3, 0.1, 3, 0.5};
    world->pops[1] = PopEffect{-0.3, 0.1, 5, 1.0}; // over: nothing left of it
    world->freedStarCount = 1;
    world->freedStars[0] = FreedStar{-0.3, 0.15, 0, 0, 0.5};
    wxImage shot = Frame();
    Affine screen = ScreenLayer(w, h);

    // In the firing position at progress 1; half way round the quarter circle at 0.5.
    double arm = double(0.14393939f), pivot = double(0.35f), c = std::sqrt(0.5);
    Affine firing = Compose(screen, Compose(Translation(0, pivot - arm), Rotation(90)));
    EXPECT_GE(MatchingShare(shot, {Background(), Dispenser(), Bubble(firing, 2)},
                            Around(screen, 0, pivot - arm, 10)),
              0.9);
    Affine halfway = Compose(screen, Compose(Translation(-arm * c, pivot - arm * c), Rotation(45)));
    EXPECT_GE(MatchingShare(shot, {Background(), Dispenser(), Bubble(halfway, 4)},
                            Around(screen, -arm * c, pivot - arm * c, 10)),
              0.9);

    // A burst at half its age is half its size; one at age 1 is gone.
    EXPECT_GE(MatchingShare(shot, {Background(), Bubble(World(), 0.3, 0.1, 3, 0.5)},
                            Around(World(), 0.3, 0.1, 14)),
              0.95);
    EXPECT_GE(MatchingShare(shot, {Background()}, Around(World(), -0.3, 0.1, 14)), 0.95);
    // A freed star at half its age: one and a half times its size, half faded.
    EXPECT_GE(MatchingShare(shot, {Background(), Star(World(), -0.3, 0.15, 1.5 * 0.016, 0.5)},
                            Around(World(), -0.3, 0.15, 30)),
              0.95);
}

// The largest level turned part way, with bursts, freed stars and a full
// feed, some of them over the bubbles, drawn in one batch per layer and then
// quad by quad: the screen must not change.
TEST_F(Drawing, BatchedDrawingShowsWhatQuadByQuadDrawingShowed)
{
    world->UnloadAssets();
    world = BuildTestLevel(rng, 2, 3, 9);
    session.stage = 3;
    world->LoadAssets(&session);
    world->distance = 0.3;
    world->angle = 0.137;
    world->popCount = 3;
    world->pops[0] = PopEffect{0.05, 0.08, 3, 0.25};
    world->pops[1] = PopEffect{-0.12, 0.02, 7, 0.6};
    world->pops[2] = PopEffect{0.2, -0.1, 11, 0};
    world->freedStarCount = 2;
    world->freedStars[0] = FreedStar{0.1, 0.1, 0, 0, 0.3};
    world->freedStars[1] = FreedStar{-0.05, 0.2, 0, 0, 0.9};
    world->queueCount = 3;
    world->queue[0] = QueuedBubble{1.0, 0, 2};
    world->queue[1] = QueuedBubble{0.55, 0, 9};
    world->queue[2] = QueuedBubble{0.1, 0, 12};
    ASSERT_GT(world->liveCount, 500u);
    wxImage batched = Frame();

    g_graphics->stage->MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT);
    OwnTextures own = LoadOwnTextures();
    DrawWorldQuadByQuad(*world, own);
    FreeOwnTextures(own);
    PresentFrame();
    wxImage quadByQuad = CaptureStage();

    int most = 0, differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int d = std::max({std::abs(batched.GetRed(x, y) - quadByQuad.GetRed(x, y)),
                              std::abs(batched.GetGreen(x, y) - quadByQuad.GetGreen(x, y)),
                              std::abs(batched.GetBlue(x, y) - quadByQuad.GetBlue(x, y))});
            most = std::max(most, d);
            differing += d > 0;
        }
    // Placed on the CPU, a corner may lie a hundred-thousandth of a pixel
    // away, and a texel blend round the other way: by one, or by two where
    // two see-through quads overlap.
    EXPECT_LE(most, 2) << differing << " pixels differ";
    EXPECT_LT(differing, w * h / 1000);
}

TEST_F(Drawing, DrawBubbleIgnoresColoursOutsideTheTableAndBubblesShrunkToNothing)
{
    g_graphics->stage->MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    glTranslated(w / 2, h / 2, 0);
    glScaled(h * 5 / 3, h * 5 / 3, 1);
    for (int colour : {0, 13, 200, 255})
        world->DrawBubble(uint8_t(colour), true, 0, 0, 1);
    for (double scale : {0.0, -0.5, std::nan("")})
        world->DrawBubble(3, true, 0.1, 0, scale);
    glPopMatrix();
    PresentFrame();
    wxImage shot = CaptureStage();
    wxRect middle(w / 2 - 40, h / 2 - 40, 200, 80);
    EXPECT_EQ(MatchingShare(shot, {}, middle, 0), 1.0);

    g_graphics->stage->MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    glTranslated(w / 2, h / 2, 0);
    glScaled(h * 5 / 3, h * 5 / 3, 1);
    world->DrawBubble(12, false, 0, 0, 1);
    glPopMatrix();
    PresentFrame();
    shot = CaptureStage();
    EXPECT_GE(MatchingShare(shot, {Bubble(ScreenLayer(w, h), 0, 0, 12)}, middle), 0.97);
}

TEST_F(Drawing, NumbersAreCentredGlyphsMostSignificantFirst)
{
    const struct
    {
        uint32_t number;
        const char* text;
    } cases[] = {{0, "0"}, {10, "10"}, {4294967295u, "4294967295"}, {56789, "56789"}};
    Affine screen = ScreenLayer(w, h);
    for (const auto& c : cases) {
        g_graphics->stage->MakeCurrent();
        glClear(GL_COLOR_BUFFER_BIT);
        glPushMatrix();
        glTranslated(w / 2, h / 2, 0);
        glScaled(h * 5 / 3, h * 5 / 3, 1);
        glColor3f(1, 1, 1);
        world->DrawNumber(c.number, 0.05, -0.1, 0.08);
        glPopMatrix();
        PresentFrame();
        wxImage shot = CaptureStage();
        std::vector<Quad> glyphs;
        Digits(glyphs, c.text, 0.05, -0.1, 0.08, screen, 1);
        double span = std::strlen(c.text) * 0.08 * 36.6 / 64;
        wxRect all = Around(screen, 0.05, -0.06, 0);
        all.x -= int(span * (h * 5 / 3) / 2) + 8;
        all.width = int(span * (h * 5 / 3)) + 16;
        all.y -= 60;
        all.height = 120;
        EXPECT_GE(MatchingShare(shot, glyphs, all), 0.97) << c.text;
    }
}

TEST_F(Drawing, DrawingLeavesTheMatricesAsItFoundThem)
{
    world->queueCount = 1;
    world->queue[0] = QueuedBubble{0.3, 0, 1};
    world->freedStarCount = 1;
    world->freedStars[0] = FreedStar{0, 0.2, 0, 0, 0.1};
    GLfloat before[2][16], after[2][16];
    g_graphics->stage->MakeCurrent();
    glGetFloatv(GL_PROJECTION_MATRIX, before[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, before[1]);
    while (glGetError() != GL_NO_ERROR) {
    }
    world->Draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glGetFloatv(GL_PROJECTION_MATRIX, after[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, after[1]);
    EXPECT_EQ(0, std::memcmp(before, after, sizeof before));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(Drawing, AssetsComeFromTheStageColumnAndGoAgain)
{
    world->UnloadAssets();
    EXPECT_EQ(world->assets, nullptr);
    int32_t captures = g_graphics->captureCount;
    session.stage = 3;
    world->LoadAssets(&session);
    ASSERT_NE(world->assets, nullptr);
    WorldAssets& a = *world->assets;
    EXPECT_EQ(g_graphics->captureCount, captures + 1);
    RGBABitmap* whole = LoadImageRGBA("backgrounds");
    ASSERT_NE(whole, nullptr);
    ASSERT_NE(a.backgroundImage, nullptr);
    ASSERT_EQ(a.backgroundImage->width, 256);
    ASSERT_EQ(a.backgroundImage->height, 256);
    ASSERT_EQ(whole->height, 256);
    for (int row : {0, 100, 255})
        EXPECT_EQ(0, std::memcmp(a.backgroundImage->data + row * 256 * 4,
                                 whole->data + row * whole->pitch + 768 * 4, 256 * 4));
    std::free(whole);
    EXPECT_FALSE(a.backgroundTexture->hasAlpha);
    // Only what the play screen draws: sky, dropper, digits and the atlas.
    std::vector<GLuint> names;
    for (TextureRecord* t :
         {a.backgroundTexture, a.dispenserTexture, a.digitsTexture, a.atlas.texture}) {
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->valid);
        names.push_back(t->name);
    }
    for (CSoundData* s : {a.bounceSound, a.fireSound, a.popSound, a.starSound}) {
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->refCount, 1);
    }

    world->UnloadAssets();
    EXPECT_EQ(g_graphics->captureCount, captures);
    for (GLuint name : names)
        EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(world->assets, nullptr);
    world->LoadAssets(&session); // for the fixture to take down
}

void SetAllPending(CBubbleWorld& world)
{
    world.bouncePending = world.firePending = world.popPending = world.starPending = 1;
}

TEST_F(Drawing, PendingSoundsArePostedOnceInTheirOrderWithTheirChannels)
{
    WorldAssets& a = *world->assets;
    SetAllPending(*world);
    world->PlayPendingSounds(); // no sound thread: dropped
    EXPECT_EQ(world->bouncePending + world->firePending + world->popPending + world->starPending, 0);
    EXPECT_EQ(a.fireSound->refCount, 1);

    {
        SoundThreadStub sound;
        SetAllPending(*world);
        world->PlayPendingSounds();
        world->PlayPendingSounds(); // nothing is left to play
        std::vector<MSG> plays = sound.Received(4);
        ASSERT_EQ(plays.size(), 4u);
        const CSoundData* order[] = {a.starSound, a.popSound, a.fireSound, a.bounceSound};
        const LPARAM channels[] = {1, 1, 1, 2};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(plays[i].message, UINT(WM_SOUND_PLAY));
            EXPECT_EQ(reinterpret_cast<CSoundData*>(plays[i].wParam), order[i]);
            EXPECT_EQ(plays[i].lParam, channels[i]);
        }
        // Drawing plays what the step asked for.
        world->firePending = 1;
        Frame();
        plays = sound.Received(5);
        ASSERT_EQ(plays.size(), 5u);
        EXPECT_EQ(reinterpret_cast<CSoundData*>(plays[4].wParam), a.fireSound);
    }
    for (CSoundData* s : {a.bounceSound, a.fireSound, a.popSound, a.starSound})
        EXPECT_EQ(s->refCount, 1); // every posted reference came back
}

} // namespace
