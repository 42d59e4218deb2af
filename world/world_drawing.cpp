// One frame of the play screen. Two layers share the view: the screen layer,
// where the dropper stands still at the top, and the world layer, turned so
// that the dropper's direction points up and pushed down by its distance.
#include <cmath>

#include <GL/gl.h>

#include "shell/graphics.h"
#include "shell/quad_batch.h"
#include "world/bubble_world.h"
#include "world/world_assets.h"

namespace {

const double kViewPixelsPerHeight = 5.0 / 3.0; // the view is 0.6 units high
const double kBackgroundHalfSize = 2;
const double kBackgroundRepeats = 8;
const double kDispenserX0 = -0.16893939393939397;
const double kDispenserY0 = 0.156060606060606;
const double kDispenserX1 = 0.025;
const double kDispenserY1 = 0.35;
const double kDispenserWindow = 0.99;
const double kSupplyX = -0.05303030303030304;
const double kSupplyY = 0.26439393939393935;
const double kSupplyHeight = 0.027272727272727275;
const double kStarHalfSize = 0.016;
const double kFreedStarGrowth = 0.8 * 0.02;
const double kCentreHalfSize = 0.06;
const float kQueuePivotY = 0.35f;
const float kQueueArm = 0.14393939f;
const double kGlyphWidth = 36.6;  // pixels of a digit cell in the 256 x 128 picture
const double kGlyphHeight = 64;
const double kGlyphPicture = 256;
const uint32_t kMaxDigits = 10;

void PushWorldLayer(const CBubbleWorld& world)
{
    glPushMatrix();
    glTranslated(0, -world.distance, 0);
    glRotated(world.angle * 360, 0, 0, 1);
}

bool IsDrawnColour(uint8_t colour)
{
    return colour != 0 && colour <= 12; // never past the colour table
}

void BatchBubble(QuadBatch& batch, const WorldAssets& a, uint8_t colour, bool star,
                 const QuadPlace& place)
{
    const float* tint = g_bubbleColours[colour];
    BatchColour(batch, tint[0], tint[1], tint[2]);
    BatchWholeQuad(batch, a.bubbleRegion, place, -kBubbleRadius, -kBubbleRadius, kBubbleRadius,
                   kBubbleRadius);
    if (star) {
        BatchColour(batch, 1, 1, 1);
        BatchWholeQuad(batch, a.starRegion, place, -kStarHalfSize, -kStarHalfSize, kStarHalfSize,
                       kStarHalfSize);
    }
}

// A bubble shrunk to nothing is not drawn.
void BatchWorldBubble(QuadBatch& batch, const WorldAssets& a, uint8_t colour, bool star, double x,
                      double y, double scale)
{
    if (IsDrawnColour(colour) && scale > 0)
        BatchBubble(batch, a, colour, star, PlaceAt(x, y, scale));
}

void BatchNumber(QuadBatch& batch, const WorldAssets& a, uint32_t number, double x, double y,
                 double height)
{
    uint8_t digits[kMaxDigits];
    uint32_t n = 0;
    do {
        digits[n++] = uint8_t(number % 10);
        number /= 10;
    } while (number != 0);
    TextureRegion glyphs = WholeTexture(a.digitsTexture);
    double glyph = height * kGlyphWidth / kGlyphHeight;
    double left = x - n * glyph / 2;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t d = digits[n - 1 - i]; // most significant first
        double u = (d % 5) * kGlyphWidth / kGlyphPicture;
        double v = (1 - d / 5) * 0.5;
        BatchQuad(batch, glyphs, kInPlace, left + i * glyph, y, left + (i + 1) * glyph, y + height,
                  kGlyphWidth / kGlyphPicture, 0.5, u, v);
    }
}

// The feed turns a queued bubble about its pivot by a quarter turn as it
// loads: translate to the pivot, rotate, then out along the arm.
QuadPlace QueuePlace(double progress)
{
    double turn = progress * 90 * M_PI / 180;
    double c = std::cos(turn), s = std::sin(turn);
    double arm = -double(kQueueArm), pivot = double(kQueuePivotY);
    return QuadPlace{c, -s, s, c, c * arm, s * arm + pivot};
}

// The stage as the world layer sees it. Most of a large level lies off the
// stage, and a quad wholly off it draws nothing: it is left out of the batch.
struct WorldLayerView
{
    double cosine, sine; // of the layer's turn
    double distance;
    double halfWidth, halfHeight; // of the stage in units, a pixel or two to spare
};

double PixelsPerUnit()
{
    return double(int32_t(g_graphics->height * kViewPixelsPerHeight));
}

WorldLayerView WorldLayerSeen(const CBubbleWorld& world)
{
    double turn = world.angle * 2 * M_PI;
    int32_t w = g_graphics->width, h = g_graphics->height;
    double unit = PixelsPerUnit();
    // The origin is at the whole pixel (w / 2, h / 2): the far side is the longer.
    return WorldLayerView{std::cos(turn), std::sin(turn), world.distance, (w - w / 2 + 2) / unit,
                          (h - h / 2 + 2) / unit};
}

// A quad of half-size `half` about (x, y), however turned, lies within 1.5 half-sizes.
bool MayShow(const WorldLayerView& view, double x, double y, double half)
{
    double sx = view.cosine * x - view.sine * y;
    double sy = view.sine * x + view.cosine * y - view.distance;
    double reach = 1.5 * half;
    return std::fabs(sx) <= view.halfWidth + reach && std::fabs(sy) <= view.halfHeight + reach;
}

void BatchWorldLayer(QuadBatch& batch, const CBubbleWorld& world)
{
    const WorldAssets& a = AssetsOf(world);
    WorldLayerView view = WorldLayerSeen(world);
    for (uint32_t i = 0; i < world.popCount; ++i) {
        const PopEffect& pop = world.pops[i];
        if (MayShow(view, pop.x, pop.y, kBubbleRadius))
            BatchWorldBubble(batch, a, pop.colour, false, pop.x, pop.y, 1 - pop.age);
    }
    for (uint32_t i = 0; i < world.liveCount; ++i) {
        const CBubble* b = world.live[i];
        if (MayShow(view, b->x, b->y, kBubbleRadius))
            BatchWorldBubble(batch, a, b->colour, b->hasStar, b->x, b->y, 1);
    }
    for (uint32_t i = 0; i < world.freedStarCount; ++i) {
        const FreedStar& star = world.freedStars[i];
        double r = (star.age + 1) * kFreedStarGrowth;
        if (!MayShow(view, star.x, star.y, r))
            continue;
        BatchColour(batch, 1, 1, 1, float(1 - star.age));
        BatchWholeQuad(batch, a.starRegion, PlaceAt(star.x, star.y, 1), -r, -r, r, r);
    }
    BatchColour(batch, 1, 1, 1);
    BatchWholeQuad(batch, a.centreRegion, kInPlace, -kCentreHalfSize, -kCentreHalfSize,
                   kCentreHalfSize, kCentreHalfSize);
}

// The modelview stack is at least 32 deep everywhere; the projection stack
// may hold as few as two, too few for the nested layers.
void PushPlayView()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    double scale = PixelsPerUnit();
    glTranslated(g_graphics->width / 2, g_graphics->height / 2, 0);
    glScaled(scale, scale, scale);
}

// Each layer's quads are drawn before its matrix changes. The sky is opaque
// and untinted: blending it would only read back what it covers, and
// tinting it in white would multiply every texel by one.
void DrawSky(QuadBatch& batch, const CBubbleWorld& world)
{
    PushWorldLayer(world);
    BatchColour(batch, 1, 1, 1);
    BatchQuad(batch, WholeTexture(AssetsOf(world).backgroundTexture), kInPlace, -kBackgroundHalfSize,
              -kBackgroundHalfSize, kBackgroundHalfSize, kBackgroundHalfSize, kBackgroundRepeats,
              kBackgroundRepeats, 0, 0);
    glDisable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    FlushQuads(batch);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glPopMatrix();
}

} // namespace

void CBubbleWorld::Draw()
{
    PlayPendingSounds();
    const WorldAssets& a = AssetsOf(*this);
    QuadBatch& batch = g_quadBatch;
    PushPlayView();
    DrawSky(batch, *this);

    BatchColour(batch, 1, 1, 1);
    BatchQuad(batch, WholeTexture(a.dispenserTexture), kInPlace, kDispenserX0, kDispenserY0,
              kDispenserX1, kDispenserY1, kDispenserWindow, kDispenserWindow, 0, 0);
    BatchColour(batch, 0.5f, 0.5f, 0.5f);
    BatchNumber(batch, a, supply, kSupplyX, kSupplyY, kSupplyHeight);
    FlushQuads(batch);

    PushWorldLayer(*this);
    BatchWorldLayer(batch, *this);
    FlushQuads(batch);
    glPopMatrix();

    for (uint32_t i = 0; i < queueCount; ++i)
        if (queue[i].colour <= 12) // never past the colour table
            BatchBubble(batch, a, queue[i].colour, false, QueuePlace(queue[i].progress));
    FlushQuads(batch);
    glPopMatrix();
}

void CBubbleWorld::DrawBackground()
{
    PushPlayView();
    DrawSky(g_quadBatch, *this);
    glPopMatrix();
}

void CBubbleWorld::DrawBubble(uint8_t colour, bool star, double x, double y, double scale)
{
    BatchWorldBubble(g_quadBatch, AssetsOf(*this), colour, star, x, y, scale);
    FlushQuads(g_quadBatch);
}

// The glyphs take the current colour, as a single textured quad would.
void CBubbleWorld::DrawNumber(uint32_t number, double x, double y, double height)
{
    float tint[4];
    glGetFloatv(GL_CURRENT_COLOR, tint);
    BatchColour(g_quadBatch, tint[0], tint[1], tint[2], tint[3]);
    BatchNumber(g_quadBatch, AssetsOf(*this), number, x, y, height);
    FlushQuads(g_quadBatch);
}
