#include "shell/texture_atlas.h"

#include <cstdlib>

#include "shell/images.h"
#include "shell/textures.h"

namespace {

const int kBorder = 1;

// Power-of-two sides keep the regions' texture coordinates exact in single
// precision.
int PowerOfTwoAtLeast(int n)
{
    int side = 1;
    while (side < n)
        side *= 2;
    return side;
}

bool IsPicture(const RGBABitmap* picture)
{
    return picture && picture->width > 0 && picture->height > 0;
}

// The picture with its left column at atlas column x and its bottom row at
// atlas row kBorder, wrapped one texel round.
void CopyWrapped(RGBABitmap* atlas, const RGBABitmap* picture, int x)
{
    int w = picture->width, h = picture->height;
    for (int row = -kBorder; row < h + kBorder; ++row) {
        const uint8_t* from = picture->data + ((row + h) % h) * picture->pitch;
        uint8_t* to = atlas->data + (row + kBorder) * atlas->pitch;
        for (int column = -kBorder; column < w + kBorder; ++column) {
            const uint8_t* texel = from + ((column + w) % w) * 4;
            uint8_t* out = to + (x + column) * 4;
            out[0] = texel[0];
            out[1] = texel[1];
            out[2] = texel[2];
            out[3] = texel[3];
        }
    }
}

} // namespace

void BuildAtlas(TextureAtlas& atlas, const RGBABitmap* const* pictures, uint32_t count,
                TextureRegion* regions)
{
    atlas.image = nullptr;
    atlas.texture = nullptr;
    int width = 0, height = 0;
    for (uint32_t i = 0; i < count; ++i) {
        regions[i] = TextureRegion{nullptr, 0, 0, 0, 0};
        if (!IsPicture(pictures[i]))
            continue;
        width += pictures[i]->width + 2 * kBorder;
        if (pictures[i]->height + 2 * kBorder > height)
            height = pictures[i]->height + 2 * kBorder;
    }
    if (width == 0)
        return;
    width = PowerOfTwoAtLeast(width);
    height = PowerOfTwoAtLeast(height);
    // Cleared: what lies between the pictures is transparent.
    atlas.image = AllocateRGBABitmap(width, height, true);
    if (!atlas.image)
        return;
    int x = kBorder;
    for (uint32_t i = 0; i < count; ++i) {
        const RGBABitmap* picture = pictures[i];
        if (!IsPicture(picture))
            continue;
        CopyWrapped(atlas.image, picture, x);
        regions[i] = TextureRegion{nullptr, double(x) / width, double(kBorder) / height,
                                   double(picture->width) / width,
                                   double(picture->height) / height};
        x += picture->width + 2 * kBorder;
    }
    atlas.texture = CreateTexture(atlas.image, true);
    for (uint32_t i = 0; i < count; ++i)
        if (regions[i].du > 0)
            regions[i].texture = atlas.texture;
}

void BuildAtlasFromResources(TextureAtlas& atlas, const char* const* names, uint32_t count,
                             TextureRegion* regions)
{
    for (uint32_t i = kMaxAtlasPictures; i < count; ++i)
        regions[i] = TextureRegion{nullptr, 0, 0, 0, 0};
    if (count > kMaxAtlasPictures)
        count = kMaxAtlasPictures;
    RGBABitmap* pictures[kMaxAtlasPictures] = {};
    for (uint32_t i = 0; i < count; ++i)
        pictures[i] = LoadImageRGBA(names[i]);
    BuildAtlas(atlas, pictures, count, regions);
    for (uint32_t i = 0; i < count; ++i)
        std::free(pictures[i]);
}

void FreeAtlas(TextureAtlas& atlas)
{
    DeleteTextures(&atlas.texture, 1);
    atlas.texture = nullptr;
    std::free(atlas.image);
    atlas.image = nullptr;
}
