// The play screen's pictures and sounds, which the world holds while its
// level is on screen. The drawing side's own: it needs the toolkit's images
// and OpenGL, which the world's simulation stays free of.
#pragma once

#include "shell/texture_atlas.h"

struct CBubbleWorld;
struct RGBABitmap;
struct TextureRecord;
class CSoundData;

struct WorldAssets
{
    RGBABitmap* backgroundImage;
    TextureRecord* backgroundTexture;
    RGBABitmap* dispenserImage;
    TextureRecord* dispenserTexture;
    RGBABitmap* digitsImage;
    TextureRecord* digitsTexture;
    // Bubble, star and centre in one texture: the world layer is one draw.
    TextureAtlas atlas;
    TextureRegion bubbleRegion;
    TextureRegion starRegion;
    TextureRegion centreRegion;
    CSoundData* bounceSound;
    CSoundData* fireSound;
    CSoundData* popSound;
    CSoundData* starSound;
};

// The world's assets; while none are loaded, empty ones that draw nothing.
const WorldAssets& AssetsOf(const CBubbleWorld& world);
