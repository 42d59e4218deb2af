// What the stage and the level selection screens share: the four on-screen
// buttons and their place, the input rules, the caption under the wheel and
// the wheel's turn. The templates work on either screen's record, which
// both name these fields alike.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>

#include "screens/screen_button.h"
#include "screens/screen_loop.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/input.h"
#include "shell/text_images.h"
#include "shell/textures.h"

// The m x m square centred on the stage and its unit u = m / 20, in pixels
// with y up.
struct SelectionGeometry
{
    int32_t m;
    int32_t u;
    int32_t base; // bottom of the square
    int32_t cx;
    int32_t cy;
};

SelectionGeometry SelectionGeometryOf(int32_t width, int32_t height);
SelectionGeometry CurrentSelectionGeometry();

// "Abort" and "Continue" side by side below the wheel, the arrows a row
// higher beyond their outer ends.
void PlaceSelectionButtons(const SelectionGeometry& g, ScreenButton* left, ScreenButton* right,
                           ScreenButton* confirm, ScreenButton* abort);

// Moves a turn on by `progress` (a whole turn is 1), easing in and out;
// the wheel's position is the turning index divided by `itemsPerScroll`.
void TurnWheel(uint32_t& current, uint32_t target, double& moveProgress, double& scroll,
               double progress, double itemsPerScroll);

// The settled front item is at full brightness, the others at half; during
// a turn the light passes from the item left to the item reached.
double WheelBrightness(uint32_t item, uint32_t current, uint32_t target, double moveProgress);

// The caption strip between the buttons and the wheel: the front item's,
// or during a turn the old one fading out and then the new one fading in.
void DrawSelectionCaption(TextureRecord* const* captions, uint32_t current, uint32_t target,
                          double moveProgress, const SelectionGeometry& g);

// For the mouse codes: the point in stage pixels, y up.
bool StagePointOf(int32_t code, const void* data, int32_t* x, int32_t* y);

template <class Screen>
ScreenButton* ButtonAt(Screen& s, int32_t x, int32_t y)
{
    ScreenButton* found = nullptr;
    for (ScreenButton* b : {&s.abortButton, &s.continueButton, &s.leftButton, &s.rightButton})
        if (ButtonContains(*b, x, y))
            found = b;
    return found;
}

template <class Screen>
void ReleaseCapturedButton(Screen& s)
{
    if (s.capturedButton)
        s.capturedButton->pressed = 0;
    s.capturedButton = nullptr;
}

template <class Screen>
void OnSelectionKey(Screen& s, int32_t code, int32_t key)
{
    bool enter = key == kKeyEnter || key == kKeyPadEnter;
    if (code == InputChar) {
        // Auto-repeat brings more characters, each a request of its own.
        if (key == kKeyLeft)
            s.leftPressed = 1;
        if (key == kKeyRight)
            s.rightPressed = 1;
    } else if (code == InputKeyDown) {
        if (key == kKeyEscape)
            s.escapeDown = 1;
        if (enter)
            s.enterDown = 1;
    } else if (code == InputKeyUp) {
        // A release counts only after a press on this screen. A stray
        // release never cancels a close request of the same frame.
        if (key == kKeyEscape)
            s.abortReleased |= s.escapeDown;
        if (enter)
            s.confirmReleased |= s.enterDown;
    }
}

template <class Screen>
void OnSelectionMouse(Screen& s, int32_t code, int32_t x, int32_t y)
{
    ScreenButton* hit = ButtonAt(s, x, y);
    if (code == InputLeftDown) {
        if (hit && hit->enabled) {
            ReleaseCapturedButton(s);
            hit->pressed = 1;
            s.capturedButton = hit;
        }
    } else if (code == InputLeftUp) {
        if (hit && hit->enabled && hit->pressed) {
            int32_t key = hit->keyCode;
            OnSelectionKey(s, InputKeyDown, key);
            OnSelectionKey(s, InputChar, key);
            OnSelectionKey(s, InputKeyUp, key);
        }
        ReleaseCapturedButton(s);
    } else if (code == InputMousePos && s.capturedButton) {
        // The picture springs back while the pointer is off the button.
        s.capturedButton->pressed = ButtonContains(*s.capturedButton, x, y);
    }
}

template <class Screen>
void OnSelectionInput(Screen& s, int32_t code, void* data)
{
    int32_t x = 0, y = 0;
    if (code == InputClose) {
        s.abortReleased = 1;
        if (g_graphics)
            g_graphics->quitRequested = 1;
    } else if (code == InputChar || code == InputKeyDown || code == InputKeyUp) {
        OnSelectionKey(s, code, *static_cast<int32_t*>(data));
    } else if (StagePointOf(code, data, &x, &y)) {
        OnSelectionMouse(s, code, x, y);
    }
}

// Requests judged by the permissions of the previous update; a confirm
// wins over an abort of the same frame, right over left.
template <class Screen>
void ApplySelectionRequests(Screen& s, bool confirmAllowed, uint8_t& confirmed)
{
    if (s.abortReleased) {
        s.done = 1;
        confirmed = 0;
    }
    if (s.confirmReleased && confirmAllowed) {
        s.done = 1;
        confirmed = 1;
    }
    if (s.leftPressed && s.canLeft) {
        s.moveProgress = 0;
        s.target = s.current - 1;
    }
    if (s.rightPressed && s.canRight) {
        s.moveProgress = 0;
        s.target = s.current + 1;
    }
}

template <class Screen>
void FinishSelectionUpdate(Screen& s, bool confirmAllowed)
{
    s.continueButton.enabled = confirmAllowed;
    s.abortButton.enabled = 1;
    s.leftButton.enabled = s.canLeft;
    s.rightButton.enabled = s.canRight;
    s.leftPressed = 0;
    s.rightPressed = 0;
    s.confirmReleased = 0;
    s.abortReleased = 0;
}

template <class Screen>
void LoadSelectionControls(Screen& s)
{
    s.arrowStrip = LoadImageStrip(new ImageStrip(), "arrows", 2, 64, 64);
    CreateTextures(s.arrowStrip, s.arrowTextures, 2);
    s.continueImage = RenderButtonImage("Continue");
    s.continueTexture = CreateTexture(s.continueImage, true);
    s.abortImage = RenderButtonImage("Abort");
    s.abortTexture = CreateTexture(s.abortImage, true);
}

template <class Screen>
void PlaceSelectionButtons(Screen& s)
{
    PlaceSelectionButtons(CurrentSelectionGeometry(), &s.leftButton, &s.rightButton,
                          &s.continueButton, &s.abortButton);
}

// Captions are opaque strips: white text on black.
template <class Screen>
void MakeCaption(Screen& s, uint32_t item, const char* text)
{
    s.captionImages[item] = RenderCaptionImage(text);
    s.captionTextures[item] = CreateTexture(s.captionImages[item], false);
}

template <class Screen>
void UnloadSelectionControls(Screen& s)
{
    DeleteTextures(s.arrowTextures, 2);
    if (s.arrowStrip)
        FreeImageStrip(s.arrowStrip);
    delete s.arrowStrip;
    s.arrowStrip = nullptr;
    DeleteTextures(&s.continueTexture, 1);
    DeleteTextures(&s.abortTexture, 1);
    std::free(s.continueImage);
    std::free(s.abortImage);
    DeleteTextures(s.captionTextures, uint32_t(std::size(s.captionTextures)));
    for (RGBABitmap* caption : s.captionImages)
        std::free(caption);
}

template <class Screen>
void DrawSelectionControls(const Screen& s, bool confirmAllowed, const SelectionGeometry& g)
{
    DrawSelectionCaption(s.captionTextures, s.current, s.target, s.moveProgress, g);
    DrawScreenButton(&s.abortButton, s.abortTexture, true);
    DrawScreenButton(&s.continueButton, s.continueTexture, confirmAllowed);
    DrawScreenButton(&s.leftButton, s.arrowTextures[0], s.canLeft);
    DrawScreenButton(&s.rightButton, s.arrowTextures[1], s.canRight);
}

// Loads the screen, runs its loop in the update-first order until it is
// done, and unloads it, also when an error unwinds the loop.
template <class Screen>
void RunSelectionScreen(Screen& screen)
{
    screen.Load();
    struct UnloadOnExit
    {
        Screen& screen;
        ~UnloadOnExit() { screen.Unload(); }
    } unload{screen};
    ScreenSteps steps{};
    steps.context = &screen;
    steps.onInput = Screen::OnInput;
    steps.inputContext = &screen;
    steps.ended = [](void* s) { return static_cast<Screen*>(s)->done != 0; };
    steps.update = [](void* s, double seconds) { static_cast<Screen*>(s)->Update(seconds); };
    steps.draw = [](void* s) { static_cast<Screen*>(s)->Draw(); };
    // Back from another program: the mouse release went there.
    steps.resumed = [](void* s) { ReleaseCapturedButton(*static_cast<Screen*>(s)); };
    RunScreenLoop(kUpdateFirst, steps);
}
