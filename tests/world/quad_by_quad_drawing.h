// The play screen drawn as it was before its quads were batched: every quad
// its own push, transform, bind and glBegin/glEnd, from each picture's own
// texture. The batched drawing must look the same; the level benchmark
// measures both.
#pragma once

struct CBubbleWorld;

void DrawWorldQuadByQuad(CBubbleWorld& world);
