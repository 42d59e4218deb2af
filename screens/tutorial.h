// The tutorial: eight scripted steps on one fixed world, always the same
// (seed 107), with a plate of text, a pointer line or a spinning marker that
// shows what the text speaks of. A step moves on when the player does what
// it asks; Escape or a close request ends the tutorial at any step.
#pragma once

#include <cstdint>

#include "world/bubble_world.h"

struct RGBABitmap;
struct TextureRecord;

const uint32_t kTutorialSteps = 8;
extern const char* const g_tutorialTexts[kTutorialSteps];

// The world comes first, so that a pointer to the tutorial is one to its world.
struct CTutorial
{
    CBubbleWorld world;
    uint8_t done;
    uint8_t physicsRunning;  // the world is stepped only while set
    uint8_t confirmReleased; // Enter or numpad Enter went up since the last pass
    uint8_t mouseReleased;   // the left button went up since the last pass
    // Escape, or Enter or numpad Enter, went down here: only the release of
    // a press the tutorial saw counts.
    uint8_t escapeDown, confirmDown;
    uint32_t step;           // 0 before the first pass, 1..8 running, 9 finished
    RGBABitmap* plateImage;
    TextureRecord* plateTexture;
    uint8_t showPointer;
    uint8_t showMarker;
    // In the plate frame while the pointer is shown, in the world frame
    // while the marker is.
    double targetX, targetY;

    static void OnInput(void* context, int32_t code, void* data);
    // The script, once per pass before the world's step.
    void UpdateStep();
    void DrawOverlay();
    // Frees the plate and, for steps 1 to 8, renders the step's text on a new one.
    void LoadStepText();
    // Whether some bubble, stuck or moving, lies within 0.01 of the target.
    bool TargetStillThere() const;
};

void RunTutorial();
