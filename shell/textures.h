// OpenGL textures made from RGBA bitmaps, and the textured quad that draws
// them. Needs the stage's GL context to be current.
#pragma once

#include <cstdint>

struct RGBABitmap;
struct ImageStrip;

// A malloc'd record; `valid` 0 is an empty texture that draws nothing.
struct TextureRecord
{
    RGBABitmap* source;  // kept, not owned
    uint32_t name;
    uint8_t valid;
    uint8_t hasAlpha;
};

// Null only when the record cannot be allocated. No bitmap, or one larger
// than the GL texture limit, gives an empty texture.
TextureRecord* CreateTexture(RGBABitmap* bitmap, bool hasAlpha);
// out[i] is made from frame i, or empty past the strip's frames.
void CreateTextures(ImageStrip* strip, TextureRecord** out, uint32_t count);
// Deletes the GL textures and frees the records, not their bitmaps.
void DeleteTextures(TextureRecord** records, uint32_t count);
// The texture window's extent (du, dv) comes before its origin (u, v): 1, 1,
// 0, 0 draws the whole texture once, larger extents tile it.
void DrawTexturedQuad(TextureRecord* texture, double x0, double y0, double x1, double y1,
                      double du, double dv, double u, double v);
