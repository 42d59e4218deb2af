#include "screens/level_select_screen.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>

#include "foundation/format.h"
#include "screens/selection_screen.h"
#include "world/play_session.h"

namespace {

const uint32_t kLastStage = kStages - 1;
const uint32_t kBestTimeCount = 40;
// Digit glyphs in "text_numbers": two rows of five, each 36.6 of 256 pixels wide.
const double kDigitWidth = 0.14296875;

} // namespace

const char* LevelCaption(std::string& text, uint32_t stage, uint32_t level,
                         uint32_t maximumLevel, const int32_t* bestTimes)
{
    uint32_t index = stage * kLevelsPerStage + level;
    if (index > maximumLevel)
        return FormatUnsigned(text, "Complete Level %1 First", level).c_str();
    if (index == maximumLevel)
        return nullptr;
    int32_t time = bestTimes && index < kBestTimeCount ? bestTimes[index] : 0;
    if (time <= 0)
        text = "Best Time: --unavailable--";
    else
        FormatBestTime(text, time);
    return text.c_str();
}

std::string& FormatBestTime(std::string& text, int32_t seconds)
{
    int minutes = seconds / 60, tens = seconds / 10 % 6, ones = seconds % 10;
    TFormatObject<int> a(minutes), b(tens), c(ones);
    return Format(text, "Best Time: %1:%2%3", &a, &b, &c);
}

void CLevelSelectScreen::OnInput(void* context, int32_t code, void* data)
{
    OnSelectionInput(*static_cast<CLevelSelectScreen*>(context), code, data);
}

void CLevelSelectScreen::Load()
{
    LoadSelectionControls(*this);
    pictureImage = LoadImageColumn("levels", int(stage * 256), 128);
    greyPictureImage = LoadImageColumn("levels", int(stage * 256), 128);
    ConvertToGrey(greyPictureImage);
    pictureTexture = CreateTexture(pictureImage, true);
    greyPictureTexture = CreateTexture(greyPictureImage, true);
    numbersImage = LoadImageRGBA("text_numbers");
    numbersTexture = CreateTexture(numbersImage, true);
    levelLabelImage = LoadImageRGBA("text_level");
    levelLabelTexture = CreateTexture(levelLabelImage, true);
    std::string text;
    for (uint32_t i = 0; i < kLevelsPerStage; ++i)
        if (const char* caption = LevelCaption(text, stage, i, maximumLevel, bestTimes))
            MakeCaption(*this, i, caption);
    PlaceSelectionButtons(*this);
    target = current;
}

void CLevelSelectScreen::Unload()
{
    UnloadSelectionControls(*this);
    TextureRecord* textures[] = {pictureTexture, greyPictureTexture, numbersTexture,
                                 levelLabelTexture};
    DeleteTextures(textures, 4);
    for (RGBABitmap* image : {pictureImage, greyPictureImage, numbersImage, levelLabelImage})
        std::free(image);
}

void CLevelSelectScreen::Update(double seconds)
{
    // A turn takes half a second.
    TurnWheel(current, target, moveProgress, scroll, 2 * seconds, 9.0);
    ApplySelectionRequests(*this, canPlay, play);
    bool settled = current == target;
    canPlay = settled && stage * kLevelsPerStage + current <= maximumLevel;
    canLeft = settled && current != 0;
    canRight = settled && current != kLevelsPerStage - 1;
    FinishSelectionUpdate(*this, canPlay);
}

void CLevelSelectScreen::Draw()
{
    SelectionGeometry g = CurrentSelectionGeometry();
    glClear(GL_COLOR_BUFFER_BIT);
    DrawSelectionControls(*this, canPlay, g);
    double m = g.m;
    // The front level stands below the middle at full size; the others
    // recede round an ellipse, 0.85 of a turn from first to last.
    for (uint32_t i = 0; i < kLevelsPerStage; ++i) {
        double angle = (i / 9.0 - scroll) * 0.85 * 2 * M_PI;
        double s = 0.76 + 0.24 * std::cos(angle);
        double x = g.cx + 0.4 * (s + 0.2) * m * std::sin(angle);
        double y = g.cy - 0.25 * (s + 0.2) * m * std::cos(angle) + 0.125 * m;
        bool playable = stage * kLevelsPerStage + i <= maximumLevel;
        DrawLevelTitle(i, playable, x, y, 0.13 * s * m,
                       WheelBrightness(i, current, target, moveProgress));
    }
}

// The level's plate with "Level" and its number across it.
void CLevelSelectScreen::DrawLevelTitle(uint32_t level, bool playable, double x, double y,
                                        double size, double brightness)
{
    glColor3d(brightness, brightness, brightness);
    DrawTexturedQuad(playable ? pictureTexture : greyPictureTexture, x - size, y - size / 2,
                     x + size, y + size / 2, 1, 1, 0, 0);
    double g = 0.37 * size;
    double digitWidth = 36.6 * g / 64;
    double labelWidth = 640 * g / 280;
    uint32_t number = level + 1;
    uint32_t digits = number >= 10 ? 2 : 1;
    double left = x - (labelWidth + (digits + 0.5) * digitWidth) / 2;
    double y0 = y - g / 2, y1 = y + g / 2;
    DrawTexturedQuad(levelLabelTexture, left, y0, left + labelWidth, y1, 1, 1, 0, 0);
    double digitX = left + labelWidth + digitWidth / 2;
    if (digits == 2) {
        DrawDigit(number / 10 % 10, digitX, y0, digitX + digitWidth, y1);
        digitX += digitWidth;
    }
    DrawDigit(number % 10, digitX, y0, digitX + digitWidth, y1);
}

void CLevelSelectScreen::DrawDigit(uint32_t digit, double x0, double y0, double x1, double y1)
{
    uint32_t column = digit % 5, row = digit / 5;
    DrawTexturedQuad(numbersTexture, x0, y0, x1, y1, kDigitWidth, 0.5, column * kDigitWidth,
                     0.5 * (1.0 - row));
}

bool RunLevelSelectScreen(PlaySession* session)
{
    CLevelSelectScreen screen{};
    // A hand-edited store can hold anything: stay inside the pictures and
    // the best-time table.
    screen.stage = std::min(session->stage, kLastStage);
    screen.current = std::min(session->level, kLevelsPerStage - 1);
    screen.maximumLevel = session->maximumLevel;
    screen.bestTimes = session->bestTimes;
    RunSelectionScreen(screen);
    session->level = screen.current;
    return screen.play;
}
