// The stage selection screen, the first of the flow of play: the tutorial
// and the four stages on a wheel, a caption with the player's progress in
// the stage at the front, and the level selection's four buttons.
#pragma once

#include <cstdint>
#include <string>

#include "screens/screen_button.h"

struct ImageStrip;
struct PlaySession;
struct RGBABitmap;
struct TextureRecord;

struct CStageSelectScreen
{
    ImageStrip* arrowStrip; // two 64 x 64 frames: left, right
    TextureRecord* arrowTextures[2];
    RGBABitmap* continueImage;
    TextureRecord* continueTexture;
    RGBABitmap* abortImage;
    TextureRecord* abortTexture;
    ImageStrip* stageStrip; // five 256 x 128 frames, the tutorial's first; locked ones grey
    TextureRecord* stageTextures[5];
    RGBABitmap* captionImages[5]; // none for the tutorial
    TextureRecord* captionTextures[5];
    // Requests from input, cleared by every update.
    uint8_t leftPressed, rightPressed, confirmReleased, abortReleased;
    // What the settled wheel allows.
    uint8_t canLeft, canRight, selectable;
    // Enter or Escape went down while this screen was current.
    uint8_t enterDown, escapeDown;
    uint8_t confirmed; // ended by Continue
    uint8_t done;
    uint32_t maximumLevel;
    uint32_t current; // the item at the front: 0 the tutorial, 1..4 the stages
    uint32_t target;  // the item the wheel turns to; current when settled
    double moveProgress;
    ScreenButton leftButton, rightButton, continueButton, abortButton;
    ScreenButton* capturedButton;
    double scroll; // the turning item index * 0.25

    static void OnInput(void* context, int32_t code, void* data);
    void Load();
    void Unload();
    void Update(double seconds);
    void Draw();
};

// True when the player chose Continue on the tutorial or an open stage;
// false for Abort, Escape or a close request. Either way the session's stage
// and tutorial request tell the item it ended on.
bool RunStageSelectScreen(PlaySession* session);

// The caption of stage 0..3 for the levels completed.
const char* StageCaption(std::string& text, uint32_t stage, uint32_t maximumLevel);
