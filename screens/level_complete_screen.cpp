// The level-completed screen on the stage: its pictures, the rain drawn under
// the level sign, and the screen loop that runs it.
#include "screens/level_complete_screen.h"

#include <GL/gl.h>

#include "screens/screen_drawing.h"
#include "screens/celebration_loop.h"
#include "shell/graphics.h"
#include "shell/quad_batch.h"
#include "shell/textures.h"
#include "world/play_session.h"

namespace {

const uint32_t kBroadPhaseObjects = kMaxRainBubbles + 3 + kDomeCircleCount;
const uint8_t kBroadPhaseGroups = 3;

// "text_numbers": 256 pixels wide, two rows of glyph cells 36.6 x 64 pixels,
// 0 to 4 above 5 to 9, and the colon in the sixth cell of the upper row.
const double kGlyphCell = 36.6;
const double kGlyphHeight = 64;
const double kGlyphPicture = 256;
const double kGlyphWindow = 0.14296875; // 36.6 / 256
const double kColonU = 0.71484375;
// "text_level" is drawn 640 units wide for 280 high.
const double kLabelAspect = 640.0 / 280;
const double kLabelLine = 0.37; // of the sign's size

const double kTitleY = 0.25;
const double kTitleSize = 0.35;
const double kCompletedHalfWidth = 0.3418;
const double kCompletedBottom = -0.075;
const double kCompletedTop = 0.05;
const double kTimeY = -0.2;
const double kTimeHeight = 0.125;

} // namespace

void CLevelCompleteScreen::Load()
{
    LoadTexture("bubble", bubbleImage, bubbleTexture);
    LoadColumnTexture("levels", int(stage) * 256, 128, levelImage, levelTexture);
    LoadTexture("text_numbers", digitsImage, digitsTexture);
    LoadTexture("text_level", levelLabelImage, levelLabelTexture);
    LoadTexture("text_completed", completedImage, completedTexture);
    SetUpBodies(g_graphics->width, g_graphics->height);
}

void CLevelCompleteScreen::Unload()
{
    FreeTexture(bubbleImage, bubbleTexture);
    FreeTexture(levelImage, levelTexture);
    FreeTexture(digitsImage, digitsTexture);
    FreeTexture(levelLabelImage, levelLabelTexture);
    FreeTexture(completedImage, completedTexture);
}

void CLevelCompleteScreen::Draw()
{
    PushCentredView(ShorterStageSide() / 2.0);
    glClear(GL_COLOR_BUFFER_BIT);
    // The rain first, in one batch: the sign and the texts lie over it.
    QuadBatch& batch = g_quadBatch;
    TextureRegion bubble = WholeTexture(bubbleTexture);
    for (uint32_t i = 0; i < bubbleCount; ++i)
    {
        const FallingBubble& b = bubbles[i];
        const float* tint = g_bubbleColours[b.colour + 1];
        BatchColour(batch, tint[0], tint[1], tint[2]);
        BatchWholeQuad(batch, bubble, kInPlace, b.x - kRainRadius, b.y - kRainRadius, b.x + kRainRadius,
                       b.y + kRainRadius);
    }
    FlushQuads(batch);
    glColor3f(1, 1, 1);
    DrawLevelTitle(level, 0, kTitleY, kTitleSize);
    DrawWholeTexture(completedTexture, -kCompletedHalfWidth, kCompletedBottom, kCompletedHalfWidth,
                     kCompletedTop);
    DrawTime(levelTime, 0, kTimeY, kTimeHeight);
    PopView();
}

void CLevelCompleteScreen::DrawDigit(uint32_t digit, double x0, double y0, double x1, double y1)
{
    double u = (digit % 5) * kGlyphCell / kGlyphPicture;
    double v = (1 - double(digit / 5)) * 0.5;
    DrawTexturedQuad(digitsTexture, x0, y0, x1, y1, kGlyphWindow, 0.5, u, v);
}

void CLevelCompleteScreen::DrawLevelTitle(uint32_t n, double x, double y, double size)
{
    DrawWholeTexture(levelTexture, x - size, y - size / 2, x + size, y + size / 2);
    double g = kLabelLine * size;
    double gw = g * kGlyphCell / kGlyphHeight;
    double lw = g * kLabelAspect;
    // Levels are numbered from 1 on screen; the tenth takes two glyphs.
    double width = lw + 0.5 * gw + (n == 9 ? 2 * gw : gw);
    double left = x - width / 2;
    DrawWholeTexture(levelLabelTexture, left, y - g / 2, left + lw, y + g / 2);
    double digitX = left + lw + 0.5 * gw;
    if (n == 9)
    {
        DrawDigit(1, digitX, y - g / 2, digitX + gw, y + g / 2);
        DrawDigit(0, digitX + gw, y - g / 2, digitX + 2 * gw, y + g / 2);
    }
    else
        DrawDigit(n + 1, digitX, y - g / 2, digitX + gw, y + g / 2);
}

void CLevelCompleteScreen::DrawTime(uint32_t t, double x, double y, double height)
{
    uint32_t units = t % 10;
    uint32_t tens = t / 10 % 6;
    uint32_t minutes = t / 60;
    uint32_t digits[10];
    uint32_t n = 0;
    do
    {
        digits[n++] = minutes % 10;
        minutes /= 10;
    } while (minutes > 0);

    double gw = height * kGlyphCell / kGlyphHeight;
    double cellX = x - (n + 3) * gw / 2;
    double y0 = y - height / 2, y1 = y + height / 2;
    while (n > 0)
    {
        DrawDigit(digits[--n], cellX, y0, cellX + gw, y1);
        cellX += gw;
    }
    DrawTexturedQuad(digitsTexture, cellX, y0, cellX + gw, y1, kGlyphWindow, 0.5, kColonU, 0.5);
    cellX += gw;
    DrawDigit(tens, cellX, y0, cellX + gw, y1);
    cellX += gw;
    DrawDigit(units, cellX, y0, cellX + gw, y1);
}

void RunLevelCompleteScreen(const PlaySession* session)
{
    CRandomGenerator rng;
    SeedRandomGenerator(rng);
    CLevelCompleteScreen screen{};
    screen.stage = session->stage;
    screen.level = session->level;
    screen.levelTime = uint32_t(session->levelTime);
    screen.colourCount = RainColourCount(session->difficulty, session->stage);
    CCollisionBroadPhase broadPhase(kBroadPhaseObjects, kBroadPhaseGroups);
    screen.broadPhase = &broadPhase;

    HiddenCursor hidden;
    screen.Load();
    UnloadOnExit<CLevelCompleteScreen> unload{screen};
    RunCelebrationLoop(screen, rng);
}
