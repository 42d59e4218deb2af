// The play screen drawn as it was before its quads were batched: every quad
// its own push, transform, bind and glBegin/glEnd, from each picture's own
// texture. The batched drawing must look the same; the level benchmark
// measures both.
#pragma once

struct CBubbleWorld;
struct RGBABitmap;
struct TextureRecord;

// The pictures that the play screen now keeps in its atlas, each with its
// own texture again; made with the stage's GL context current.
struct OwnTextures
{
    RGBABitmap* images[3];
    TextureRecord* bubble;
    TextureRecord* star;
    TextureRecord* centre;
};

OwnTextures LoadOwnTextures();
void FreeOwnTextures(OwnTextures& own);

// The world's loaded assets for the rest.
void DrawWorldQuadByQuad(CBubbleWorld& world, const OwnTextures& own);
