// The one game window and what every screen shares about it: the frame and
// its GL canvas, the stage size, activation and quit flags, the frame clock,
// the cursor counts and the current input handler.
#pragma once

#include <cstdint>
#include <list>

#include "shell/input.h"

class CGameFrame;
class CGameStage;
class CTamberMenu;

struct CGameGraphics
{
    int32_t hideCount;     // nested requests to hide the cursor
    int32_t captureCount;  // nested relative-mouse captures
    int32_t menuCount;     // menu dialogs open now
    uint32_t frameCount;
    uint32_t lastFrameTime;  // ms, low 32 bits of the local time
    uint32_t gameClock;      // ms, sum of all frame steps
    uint32_t frameStep;      // ms; 0 after a pause
    uint32_t clampedTotal;   // ms, sum of the frame gaps clamped to 1000
    double averageFrameTime; // ms
    uint8_t active;          // in front, game display mode entered
    uint8_t focusSeen;       // the window has had the focus since it opened
    uint32_t menuClosedAt;   // ms, local time when a menu last closed
    uint8_t quitRequested;
    CGameFrame* frame;
    CGameStage* stage;
    CTamberMenu* activeMenu;
    int32_t stageX;
    int32_t stageY;
    int32_t width;
    int32_t height;
    InputCallback inputCallback;
    void* inputContext;
    int32_t savedCursorX;
    int32_t savedCursorY;
    int32_t lastCursorX;
    int32_t lastCursorY;
};

extern CGameGraphics* g_graphics;

extern std::list<InputHandler> g_inputHandlers;

// Creates the record, the frame and its stage, enters the game display mode
// and sets the GL state. Does nothing when the record exists.
void InitGraphics();
// Follows the application's activation: the display mode, the window and sound.
void SetGameActive(bool active);
void PushInputHandler(InputCallback callback, void* context);
// Does nothing on an empty stack.
void PopInputHandler();
// Shows the drawn frame and advances the frame clock.
void PresentFrame();
bool IsQuitRequested();

// The frame clock's time source: local wall-clock milliseconds, low 32 bits.
uint32_t FrameClockNow();
// The frame clock's step for a present at `now`.
void AdvanceFrameClock(CGameGraphics* graphics, uint32_t now);
