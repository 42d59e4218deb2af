// Several pictures side by side in one texture, so that quads of different
// pictures drawn in turn (a bubble, its star, the next bubble) go into one
// batch. Each picture has a one-texel border copied from its opposite edges:
// linear filtering at its edge blends the same texels as a repeating
// texture of its own, so it looks the same as drawn from its own texture.
#pragma once

#include <cstdint>

#include "shell/quad_batch.h"

struct RGBABitmap;
struct TextureRecord;

struct TextureAtlas
{
    RGBABitmap* image;      // owned
    TextureRecord* texture; // made from image, with alpha
};

// regions[i] is where pictures[i] lies in the atlas; a null picture gets a
// region that draws nothing. Pictures are copied, not kept.
void BuildAtlas(TextureAtlas& atlas, const RGBABitmap* const* pictures, uint32_t count,
                TextureRegion* regions);
// The same from picture resources, which are loaded for it and freed again:
// a missing picture, or one past kMaxAtlasPictures, draws nothing.
void BuildAtlasFromResources(TextureAtlas& atlas, const char* const* names, uint32_t count,
                             TextureRegion* regions);
const uint32_t kMaxAtlasPictures = 8;
void FreeAtlas(TextureAtlas& atlas);
