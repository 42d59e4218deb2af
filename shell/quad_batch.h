// Textured quads gathered into one fixed vertex array and drawn with one call
// for each change of texture, instead of one call apiece: a frame of a
// thousand bubbles costs a handful of draws. Quads keep the order they were
// added in, so what overlaps is drawn as it would be quad by quad. Needs the
// stage's GL context to be current.
#pragma once

#include <cstdint>

struct TextureRecord;

// A picture inside a texture: the whole texture, or its place in an atlas.
// Texture windows given to the batch are in the picture's own 0..1 range.
struct TextureRegion
{
    const TextureRecord* texture; // null or empty draws nothing
    double u0, v0;                // where the picture's (0, 0) lies in the texture
    double du, dv;                // its extent in the texture
};

TextureRegion WholeTexture(const TextureRecord* texture);

// Where a quad's own coordinates go: x' = a x + b y + e, y' = c x + d y + f.
struct QuadPlace
{
    double a, b, c, d, e, f;
};

const QuadPlace kInPlace = {1, 0, 0, 1, 0, 0};
// Moved to (x, y) and scaled about it.
QuadPlace PlaceAt(double x, double y, double scale);

const uint32_t kBatchQuads = 4096;

struct BatchVertex
{
    float x, y;
    float u, v;
    float r, g, b, a;
};

struct QuadBatch
{
    const TextureRecord* texture; // of the quads gathered so far
    uint32_t count;               // quads gathered
    float colour[4];              // the tint of quads added from now on
    uint8_t colourPending;        // set since the last flush, which makes it current
    BatchVertex vertices[kBatchQuads * 4];
};

// The one batch of the GUI thread; every screen draws through it.
extern QuadBatch g_quadBatch;

// Like glColor: tints the quads added after it, and becomes the current
// colour when the batch is next flushed.
void BatchColour(QuadBatch& batch, float r, float g, float b, float a = 1);

// DrawTexturedQuad's rectangle and texture window, placed by `place`: the
// corners go in the same order, so each quad is split into the same two
// triangles. A full batch or a new texture draws what was gathered first.
void BatchQuad(QuadBatch& batch, const TextureRegion& region, const QuadPlace& place, double x0,
               double y0, double x1, double y1, double du, double dv, double u, double v);
// The whole picture once over the rectangle.
void BatchWholeQuad(QuadBatch& batch, const TextureRegion& region, const QuadPlace& place,
                    double x0, double y0, double x1, double y1);

// Draws what was gathered with the current matrices and leaves texture 0
// bound and the last colour set current, as drawing quad by quad would.
// Call it before changing a matrix.
void FlushQuads(QuadBatch& batch);
