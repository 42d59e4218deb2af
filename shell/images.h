// PNG resources turned into toolkit images and bitmaps, the game's own
// resampler, and the bottom-up RGBA pixel blocks that textures are made of.
// A missing or broken picture gives an empty image, a null bitmap or an empty
// strip, never a message; no operation reads or writes outside its pixels.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/bitmap.h>
#include <wx/image.h>

// One malloc block: this header, then width * height RGBA pixels, rows
// bottom-up (the first row in memory is the picture's bottom row). Released
// with free.
struct RGBABitmap
{
    int32_t height;
    int32_t width;
    int32_t pitch;  // width * 4
    uint8_t* data;  // just behind the header
};

// A picture cut into a row of equal frames, each owned by the strip.
struct ImageStrip
{
    int32_t count;
    int32_t rows;
    int32_t frameWidth;
    int32_t frameHeight;
    std::vector<RGBABitmap*> frames;
};

wxImage LoadPngResource(const char* name);
wxBitmap LoadTutorialPlateBitmap();
wxBitmap LoadBitmapResized(const char* name, int width, int height);
// Scaled to fit the box with its shape kept.
wxBitmap LoadBitmapFitted(const char* name, int maxWidth, int maxHeight);
// A negative width follows from the height and the source's shape; then a
// negative height from the width. An empty source or size gives an empty image.
wxImage& ResampleImage(const wxImage& source, wxImage& result, int width, int height);
// The rectangle with its top-left pixel at (x, y), y downward, flipped
// bottom-up. Null when it does not lie inside the image or is empty.
RGBABitmap* CopyImageToRGBA(const wxImage& image, int x, int y, int width, int height);
// One block for the record and its pixels, freed with free(); the pixels are
// left as they come, or all zero (transparent black) when cleared.
RGBABitmap* AllocateRGBABitmap(int width, int height, bool cleared);
RGBABitmap* LoadImageRGBA(const char* name);
// The 256-pixel-wide column from pixel column x, rows 0 to height - 1 from the
// top; null when the picture does not load or the column leaves it.
RGBABitmap* LoadImageColumn(const char* name, int x, int height);
void ConvertToGrey(RGBABitmap* bitmap);
// Every field 0 when the picture does not load.
ImageStrip* LoadImageStrip(ImageStrip* strip, const char* name, int count, int frameWidth,
                           int frameHeight);
void FreeImageStrip(ImageStrip* strip);
