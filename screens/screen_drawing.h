// Small drawing pieces that the celebration screens and the tutorial share:
// pictures loaded with their textures, whole-texture quads, hidden cursors
// and views centred on the stage.
#pragma once

#include <cstdint>

struct RGBABitmap;
struct TextureRecord;

// The picture and its texture with alpha; a missing picture gives an empty
// texture that draws nothing.
void LoadTexture(const char* name, RGBABitmap*& image, TextureRecord*& texture);
// The 256-pixel-wide column from pixel column x, `height` rows from the top.
void LoadColumnTexture(const char* name, int x, int height, RGBABitmap*& image, TextureRecord*& texture);
// Deletes the texture and frees the picture; both become null.
void FreeTexture(RGBABitmap*& image, TextureRecord*& texture);

void DrawWholeTexture(TextureRecord* texture, double x0, double y0, double x1, double y1);

// Pushes the model-view matrix and sets up a view with its origin at the
// stage centre (whole pixels), y up, `pixelsPerUnit` pixels to a unit.
void PushCentredView(double pixelsPerUnit);
void PopView();
// min(width, height) of the stage in pixels.
int32_t ShorterStageSide();

// Hides the cursor for a screen's lifetime without capturing the mouse, so
// pointer positions still arrive (and are ignored).
struct HiddenCursor
{
    HiddenCursor();
    ~HiddenCursor();
    HiddenCursor(const HiddenCursor&) = delete;
    HiddenCursor& operator=(const HiddenCursor&) = delete;
};
