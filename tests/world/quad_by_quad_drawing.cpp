#include "tests/world/quad_by_quad_drawing.h"

#include <GL/gl.h>

#include <cstdlib>

#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/textures.h"
#include "world/bubble_world.h"
#include "world/world_assets.h"

namespace {

const double kViewPixelsPerHeight = 5.0 / 3.0;
const double kStarHalfSize = 0.016;
const double kFreedStarGrowth = 0.8 * 0.02;
const double kCentreHalfSize = 0.06;
const float kQueuePivotY = 0.35f;
const float kQueueArm = 0.14393939f;
const double kGlyphWidth = 36.6;
const double kGlyphHeight = 64;
const double kGlyphPicture = 256;

void WholeTexture(TextureRecord* texture, double x0, double y0, double x1, double y1)
{
    DrawTexturedQuad(texture, x0, y0, x1, y1, 1, 1, 0, 0);
}

void PushView()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    int32_t w = g_graphics->width, h = g_graphics->height;
    double scale = double(int32_t(h * kViewPixelsPerHeight));
    glTranslated(w / 2, h / 2, 0);
    glScaled(scale, scale, scale);
}

void PushWorldLayer(const CBubbleWorld& world)
{
    glPushMatrix();
    glTranslated(0, -world.distance, 0);
    glRotated(world.angle * 360, 0, 0, 1);
}

void DrawBackground(const CBubbleWorld& world)
{
    PushWorldLayer(world);
    glColor3f(1, 1, 1);
    DrawTexturedQuad(AssetsOf(world).backgroundTexture, -2, -2, 2, 2, 8, 8, 0, 0);
    glPopMatrix();
}

void DrawBubble(const OwnTextures& own, uint8_t colour, bool star, double x, double y,
                double scale)
{
    if (colour == 0 || colour > 12 || !(scale > 0))
        return;
    glPushMatrix();
    glTranslated(x, y, 0);
    if (scale != 1)
        glScaled(scale, scale, scale);
    glColor3fv(g_bubbleColours[colour]);
    WholeTexture(own.bubble, -kBubbleRadius, -kBubbleRadius, kBubbleRadius, kBubbleRadius);
    if (star) {
        glColor3f(1, 1, 1);
        WholeTexture(own.star, -kStarHalfSize, -kStarHalfSize, kStarHalfSize,
                     kStarHalfSize);
    }
    glPopMatrix();
}

void DrawNumber(const WorldAssets& a, uint32_t number, double x, double y, double height)
{
    uint8_t digits[10];
    uint32_t n = 0;
    do {
        digits[n++] = uint8_t(number % 10);
        number /= 10;
    } while (number != 0);
    double glyph = height * kGlyphWidth / kGlyphHeight;
    double left = x - n * glyph / 2;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t d = digits[n - 1 - i];
        double u = (d % 5) * kGlyphWidth / kGlyphPicture;
        double v = (1 - d / 5) * 0.5;
        DrawTexturedQuad(a.digitsTexture, left + i * glyph, y, left + (i + 1) * glyph,
                         y + height, kGlyphWidth / kGlyphPicture, 0.5, u, v);
    }
}

} // namespace

OwnTextures LoadOwnTextures()
{
    OwnTextures own{};
    const char* const names[3] = {"bubble", "star", "center"};
    TextureRecord** textures[3] = {&own.bubble, &own.star, &own.centre};
    for (int i = 0; i < 3; ++i) {
        own.images[i] = LoadImageRGBA(names[i]);
        *textures[i] = CreateTexture(own.images[i], true);
    }
    return own;
}

void FreeOwnTextures(OwnTextures& own)
{
    TextureRecord* textures[3] = {own.bubble, own.star, own.centre};
    DeleteTextures(textures, 3);
    for (RGBABitmap* image : own.images)
        std::free(image);
    own = OwnTextures{};
}

void DrawWorldQuadByQuad(CBubbleWorld& world, const OwnTextures& own)
{
    world.PlayPendingSounds();
    const WorldAssets& a = AssetsOf(world);
    PushView();
    DrawBackground(world);

    glColor3f(1, 1, 1);
    DrawTexturedQuad(a.dispenserTexture, -0.16893939393939397, 0.156060606060606, 0.025, 0.35,
                     0.99, 0.99, 0, 0);
    glColor3f(0.5f, 0.5f, 0.5f);
    DrawNumber(a, world.supply, -0.05303030303030304, 0.26439393939393935,
               0.027272727272727275);

    PushWorldLayer(world);
    for (uint32_t i = 0; i < world.popCount; ++i) {
        const PopEffect& p = world.pops[i];
        DrawBubble(own, p.colour, false, p.x, p.y, 1 - p.age);
    }
    for (uint32_t i = 0; i < world.liveCount; ++i) {
        const CBubble* b = world.live[i];
        DrawBubble(own, b->colour, b->hasStar, b->x, b->y, 1);
    }
    for (uint32_t i = 0; i < world.freedStarCount; ++i) {
        const FreedStar& star = world.freedStars[i];
        double r = (star.age + 1) * kFreedStarGrowth;
        glPushMatrix();
        glTranslated(star.x, star.y, 0);
        glColor4d(1, 1, 1, 1 - star.age);
        WholeTexture(own.star, -r, -r, r, r);
        glPopMatrix();
    }
    glColor3f(1, 1, 1);
    WholeTexture(own.centre, -kCentreHalfSize, -kCentreHalfSize, kCentreHalfSize,
                 kCentreHalfSize);
    glPopMatrix();

    for (uint32_t i = 0; i < world.queueCount; ++i) {
        uint8_t colour = world.queue[i].colour;
        if (colour > 12)
            continue;
        glPushMatrix();
        glTranslatef(0, kQueuePivotY, 0);
        glRotated(world.queue[i].progress * 90, 0, 0, 1);
        glTranslatef(-kQueueArm, 0, 0);
        glColor3fv(g_bubbleColours[colour]);
        WholeTexture(own.bubble, -kBubbleRadius, -kBubbleRadius, kBubbleRadius,
                     kBubbleRadius);
        glPopMatrix();
    }
    glPopMatrix();
}
