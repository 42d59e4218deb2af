// One frame of the play screen. Two layers share the view: the screen layer,
// where the dropper stands still at the top, and the world layer, turned so
// that the dropper's direction points up and pushed down by its distance.
#include <GL/gl.h>

#include "shell/graphics.h"
#include "shell/textures.h"
#include "world/bubble_world.h"

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

void WholeTexture(TextureRecord* texture, double x0, double y0, double x1, double y1)
{
    DrawTexturedQuad(texture, x0, y0, x1, y1, 1, 1, 0, 0);
}

void PushWorldLayer(const CBubbleWorld& world)
{
    glPushMatrix();
    glTranslated(0, -world.distance, 0);
    glRotated(world.angle * 360, 0, 0, 1);
}

} // namespace

void CBubbleWorld::Draw()
{
    PlayPendingSounds();
    // The modelview stack is at least 32 deep everywhere; the projection
    // stack may hold as few as two, too few for the nested layers.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    int32_t w = g_graphics->width, h = g_graphics->height;
    double scale = double(int32_t(h * kViewPixelsPerHeight));
    glTranslated(w / 2, h / 2, 0);
    glScaled(scale, scale, scale);

    PushWorldLayer(*this);
    glColor3f(1, 1, 1);
    DrawTexturedQuad(assets.backgroundTexture, -kBackgroundHalfSize, -kBackgroundHalfSize,
                     kBackgroundHalfSize, kBackgroundHalfSize, kBackgroundRepeats,
                     kBackgroundRepeats, 0, 0);
    glPopMatrix();

    glColor3f(1, 1, 1);
    DrawTexturedQuad(assets.dispenserTexture, kDispenserX0, kDispenserY0, kDispenserX1,
                     kDispenserY1, kDispenserWindow, kDispenserWindow, 0, 0);
    glColor3f(0.5f, 0.5f, 0.5f);
    DrawNumber(supply, kSupplyX, kSupplyY, kSupplyHeight);

    PushWorldLayer(*this);
    for (uint32_t i = 0; i < popCount; ++i)
        DrawBubble(pops[i].colour, false, pops[i].x, pops[i].y, 1 - pops[i].age);
    for (uint32_t i = 0; i < liveCount; ++i)
        DrawBubble(live[i]->colour, live[i]->hasStar, live[i]->x, live[i]->y, 1);
    for (uint32_t i = 0; i < freedStarCount; ++i) {
        const FreedStar& star = freedStars[i];
        double r = (star.age + 1) * kFreedStarGrowth;
        glPushMatrix();
        glTranslated(star.x, star.y, 0);
        glColor4d(1, 1, 1, 1 - star.age);
        WholeTexture(assets.starTexture, -r, -r, r, r);
        glPopMatrix();
    }
    glColor3f(1, 1, 1);
    WholeTexture(assets.centreTexture, -kCentreHalfSize, -kCentreHalfSize, kCentreHalfSize,
                 kCentreHalfSize);
    glPopMatrix();

    for (uint32_t i = 0; i < queueCount; ++i) {
        uint8_t colour = queue[i].colour;
        if (colour > 12) // never past the colour table
            continue;
        glPushMatrix();
        glTranslatef(0, kQueuePivotY, 0);
        glRotated(queue[i].progress * 90, 0, 0, 1);
        glTranslatef(-kQueueArm, 0, 0);
        glColor3fv(g_bubbleColours[colour]);
        WholeTexture(assets.bubbleTexture, -kBubbleRadius, -kBubbleRadius, kBubbleRadius,
                     kBubbleRadius);
        glPopMatrix();
    }
    glPopMatrix();
}

void CBubbleWorld::DrawBubble(uint8_t colour, bool star, double x, double y, double scale)
{
    // Colours outside the table are never drawn; nor is a bubble shrunk to nothing.
    if (colour == 0 || colour > 12 || !(scale > 0))
        return;
    glPushMatrix();
    glTranslated(x, y, 0);
    if (scale != 1)
        glScaled(scale, scale, scale);
    glColor3fv(g_bubbleColours[colour]);
    WholeTexture(assets.bubbleTexture, -kBubbleRadius, -kBubbleRadius, kBubbleRadius,
                 kBubbleRadius);
    if (star) {
        glColor3f(1, 1, 1);
        WholeTexture(assets.starTexture, -kStarHalfSize, -kStarHalfSize, kStarHalfSize,
                     kStarHalfSize);
    }
    glPopMatrix();
}

void CBubbleWorld::DrawNumber(uint32_t number, double x, double y, double height)
{
    uint8_t digits[kMaxDigits];
    uint32_t n = 0;
    do {
        digits[n++] = uint8_t(number % 10);
        number /= 10;
    } while (number != 0);
    double glyph = height * kGlyphWidth / kGlyphHeight;
    double left = x - n * glyph / 2;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t d = digits[n - 1 - i]; // most significant first
        double u = (d % 5) * kGlyphWidth / kGlyphPicture;
        double v = (1 - d / 5) * 0.5;
        DrawTexturedQuad(assets.digitsTexture, left + i * glyph, y, left + (i + 1) * glyph,
                         y + height, kGlyphWidth / kGlyphPicture, 0.5, u, v);
    }
}
