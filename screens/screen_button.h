// A clickable rectangle of the selection screens, in stage pixels with y
// counted up from the bottom edge. A click on it stands for a key.
#pragma once

#include <cstdint>

struct TextureRecord;

struct ScreenButton
{
    int32_t x0, y0;  // lower-left corner, inclusive
    int32_t x1, y1;  // upper-right corner, exclusive
    uint8_t enabled; // reacts to the mouse
    uint8_t pressed; // the mouse went down on it and is still over it
    int32_t keyCode; // the key a click stands for
};

bool ButtonContains(const ScreenButton& button, int32_t x, int32_t y);

// The whole texture in the rectangle: dimmed while pressed and drawn a
// little smaller, darker still when disabled.
void DrawScreenButton(const ScreenButton* button, TextureRecord* texture, bool enabled);
