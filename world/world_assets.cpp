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

} // namespace

void CBubbleWorld::LoadAssets(const PlaySession* session)
{
    BeginMouseCapture();
    WorldAssets& a = assets;
    LoadPicture(LoadImageRGBA("bubble"), true, &a.bubbleImage, &a.bubbleTexture);
    LoadPicture(LoadImageRGBA("star"), true, &a.starImage, &a.starTexture);
    int column = int(session->stage) * kBackgroundColumn;
    LoadPicture(LoadImageColumn("backgrounds", column, kBackgroundColumn), false,
                &a.backgroundImage, &a.backgroundTexture);
    LoadPicture(LoadImageRGBA("center"), true, &a.centreImage, &a.centreTexture);
    LoadPicture(LoadImageRGBA("dispenser"), true, &a.dispenserImage, &a.dispenserTexture);
    LoadPicture(LoadImageRGBA("text_numbers"), true, &a.digitsImage, &a.digitsTexture);
    const RGBABitmap* layer[] = {a.bubbleImage, a.starImage, a.centreImage};
    TextureRegion regions[3];
    BuildAtlas(a.atlas, layer, 3, regions);
    a.bubbleRegion = regions[0];
    a.starRegion = regions[1];
    a.centreRegion = regions[2];
    a.bounceSound = LoadSoundResource("bounce");
    a.fireSound = LoadSoundResource("fire");
    a.popSound = LoadSoundResource("pop");
    a.starSound = LoadSoundResource("star");
}

void CBubbleWorld::UnloadAssets()
{
    WorldAssets& a = assets;
    FreePicture(&a.bubbleImage, &a.bubbleTexture);
    FreePicture(&a.starImage, &a.starTexture);
    FreePicture(&a.backgroundImage, &a.backgroundTexture);
    FreePicture(&a.centreImage, &a.centreTexture);
    FreePicture(&a.dispenserImage, &a.dispenserTexture);
    FreePicture(&a.digitsImage, &a.digitsTexture);
    FreeAtlas(a.atlas);
    a.bubbleRegion = a.starRegion = a.centreRegion = TextureRegion{};
    ReleaseSound(&a.bounceSound);
    ReleaseSound(&a.fireSound);
    ReleaseSound(&a.popSound);
    ReleaseSound(&a.starSound);
    EndMouseCapture();
}
