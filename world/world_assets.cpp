// The play screen's pictures and sounds, loaded when a level starts and freed
// when it ends. The level runs with the mouse captured for relative motion.
#include <cstdlib>

#include "audio/sound_data.h"
#include "shell/images.h"
#include "shell/mouse.h"
#include "shell/texture_atlas.h"
#include "shell/textures.h"
#include "world/bubble_world.h"
#include "world/play_session.h"
#include "world/world_assets.h"

namespace {

// Each stage has its own 256-pixel column of the background picture.
const int kBackgroundColumn = 256;

void LoadPicture(RGBABitmap* image, bool hasAlpha, RGBABitmap** imageField,
                 TextureRecord** textureField)
{
    *imageField = image;
    *textureField = CreateTexture(image, hasAlpha);
}

void FreePicture(RGBABitmap** image, TextureRecord** texture)
{
    DeleteTextures(texture, 1);
    *texture = nullptr;
    std::free(*image);
    *image = nullptr;
}

void ReleaseSound(CSoundData** sound)
{
    if (*sound)
        (*sound)->Release();
    *sound = nullptr;
}

const WorldAssets kNoAssets{};

void LoadWorldLayer(WorldAssets& a)
{
    const char* const layer[] = {"bubble", "star", "center"};
    TextureRegion regions[3];
    BuildAtlasFromResources(a.atlas, layer, 3, regions);
    a.bubbleRegion = regions[0];
    a.starRegion = regions[1];
    a.centreRegion = regions[2];
}

} // namespace

const WorldAssets& AssetsOf(const CBubbleWorld& world)
{
    return world.assets ? *world.assets : kNoAssets;
}

void CBubbleWorld::LoadAssets(const PlaySession* session)
{
    BeginMouseCapture();
    assets = new WorldAssets{};
    WorldAssets& a = *assets;
    int column = int(session->stage) * kBackgroundColumn;
    LoadPicture(LoadImageColumn("backgrounds", column, kBackgroundColumn), false,
                &a.backgroundImage, &a.backgroundTexture);
    LoadPicture(LoadImageRGBA("dispenser"), true, &a.dispenserImage, &a.dispenserTexture);
    LoadPicture(LoadImageRGBA("text_numbers"), true, &a.digitsImage, &a.digitsTexture);
    LoadWorldLayer(a);
    a.bounceSound = LoadSoundResource("bounce");
    a.fireSound = LoadSoundResource("fire");
    a.popSound = LoadSoundResource("pop");
    a.starSound = LoadSoundResource("star");
}

void CBubbleWorld::UnloadAssets()
{
    if (WorldAssets* a = assets) {
        FreePicture(&a->backgroundImage, &a->backgroundTexture);
        FreePicture(&a->dispenserImage, &a->dispenserTexture);
        FreePicture(&a->digitsImage, &a->digitsTexture);
        FreeAtlas(a->atlas);
        ReleaseSound(&a->bounceSound);
        ReleaseSound(&a->fireSound);
        ReleaseSound(&a->popSound);
        ReleaseSound(&a->starSound);
        delete a;
        assets = nullptr;
    }
    EndMouseCapture();
}
