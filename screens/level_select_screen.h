// The level selection screen: the ten levels of the stage on a wheel that
// turns the chosen one to the front, its caption (locked, best time, or
// none for the next level to play) and four on-screen buttons.
#pragma once

#include <cstdint>
#include <string>

#include "screens/screen_button.h"

struct ImageStrip;
struct PlaySession;
struct RGBABitmap;
struct TextureRecord;

struct CLevelSelectScreen
{
    ImageStrip* arrowStrip; // two 64 x 64 frames: left, right
    TextureRecord* arrowTextures[2];
    RGBABitmap* continueImage;
    TextureRecord* continueTexture;
    RGBABitmap* abortImage;
    TextureRecord* abortTexture;
    RGBABitmap* pictureImage; // the stage's 256 x 128 column of "levels"
    RGBABitmap* greyPictureImage;
    TextureRecord* pictureTexture;
    TextureRecord* greyPictureTexture;
    RGBABitmap* numbersImage;
    TextureRecord* numbersTexture;
    RGBABitmap* levelLabelImage;
    TextureRecord* levelLabelTexture;
    RGBABitmap* captionImages[10]; // null for a level without a caption
    TextureRecord* captionTextures[10];
    // Requests from input, cleared by every update.
    uint8_t leftPressed, rightPressed, confirmReleased, abortReleased;
    // What the settled wheel allows.
    uint8_t canLeft, canRight, canPlay;
    // Enter or Escape went down while this screen was current.
    uint8_t enterDown, escapeDown;
    uint8_t play; // ended by Continue
    uint8_t done;
    uint32_t maximumLevel;
    uint32_t stage;
    uint32_t current; // the level at the front, 0..9
    uint32_t target;  // the level the wheel turns to; current when settled
    double moveProgress;
    int32_t* bestTimes;
    ScreenButton leftButton, rightButton, continueButton, abortButton;
    ScreenButton* capturedButton;
    double scroll; // the turning level index / 9

    static void OnInput(void* context, int32_t code, void* data);
    void Load();
    void Unload();
    void Update(double seconds);
    void Draw();
    void DrawLevelTitle(uint32_t level, bool playable, double x, double y, double size,
                        double brightness);
    void DrawDigit(uint32_t digit, double x0, double y0, double x1, double y1);
};

// True when the player chose Continue on an open level; false for Abort,
// Escape or a close request. Writes the level it ended on into the session.
bool RunLevelSelectScreen(PlaySession* session);

// The caption of a level of the stage, or null when it has none (the next
// level to play). A time of 0 or below is no time.
const char* LevelCaption(std::string& text, uint32_t stage, uint32_t level,
                         uint32_t maximumLevel, const int32_t* bestTimes);
// "Best Time: m:ss".
std::string& FormatBestTime(std::string& text, int32_t seconds);
