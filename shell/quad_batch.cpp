#include "shell/quad_batch.h"

#include <GL/gl.h>

#include "shell/textures.h"

QuadBatch g_quadBatch;

namespace {

// Texture coordinates are taken in single precision, as DrawTexturedQuad
// takes them; a whole-texture region leaves them exactly as given.
BatchVertex Vertex(const QuadBatch& batch, const QuadPlace& p, double x, double y,
                   const TextureRegion& r, double u, double v)
{
    return BatchVertex{float(p.a * x + p.b * y + p.e),
                       float(p.c * x + p.d * y + p.f),
                       float(r.u0 + u * r.du),
                       float(r.v0 + v * r.dv),
                       batch.colour[0],
                       batch.colour[1],
                       batch.colour[2],
                       batch.colour[3]};
}

} // namespace

TextureRegion WholeTexture(const TextureRecord* texture)
{
    return TextureRegion{texture, 0, 0, 1, 1};
}

QuadPlace PlaceAt(double x, double y, double scale)
{
    return QuadPlace{scale, 0, 0, scale, x, y};
}

void BatchColour(QuadBatch& batch, float r, float g, float b, float a)
{
    batch.colour[0] = r;
    batch.colour[1] = g;
    batch.colour[2] = b;
    batch.colour[3] = a;
    batch.colourPending = 1;
}

void BatchQuad(QuadBatch& batch, const TextureRegion& region, const QuadPlace& place, double x0,
               double y0, double x1, double y1, double du, double dv, double u, double v)
{
    if (!region.texture || !region.texture->valid)
        return;
    if (batch.count == kBatchQuads || (batch.count > 0 && batch.texture != region.texture))
        FlushQuads(batch);
    batch.texture = region.texture;
    BatchVertex* out = batch.vertices + batch.count * 4;
    out[0] = Vertex(batch, place, x0, y0, region, u, v);
    out[1] = Vertex(batch, place, x0, y1, region, u, v + dv);
    out[2] = Vertex(batch, place, x1, y1, region, u + du, v + dv);
    out[3] = Vertex(batch, place, x1, y0, region, u + du, v);
    batch.count += 1;
}

void BatchWholeQuad(QuadBatch& batch, const TextureRegion& region, const QuadPlace& place,
                    double x0, double y0, double x1, double y1)
{
    BatchQuad(batch, region, place, x0, y0, x1, y1, 1, 1, 0, 0);
}

void FlushQuads(QuadBatch& batch)
{
    bool drawing = batch.count > 0;
    if (drawing) {
        const GLsizei stride = sizeof(BatchVertex);
        const BatchVertex* first = batch.vertices;
        glBindTexture(GL_TEXTURE_2D, batch.texture->name);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, stride, &first->x);
        glTexCoordPointer(2, GL_FLOAT, stride, &first->u);
        glColorPointer(4, GL_FLOAT, stride, &first->r);
        // Every quad has one colour: flat shading gives the same pixels
        // without interpolating it across each one. A lone quad goes as
        // DrawTexturedQuad draws it, on the renderer's path for rectangles.
        bool flat = batch.count > 1;
        if (flat)
            glShadeModel(GL_FLAT);
        glDrawArrays(GL_QUADS, 0, GLsizei(batch.count * 4));
        if (flat)
            glShadeModel(GL_SMOOTH); // the game's shading everywhere else
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glBindTexture(GL_TEXTURE_2D, 0);
        batch.count = 0;
        batch.texture = nullptr;
    }
    // The colour array leaves the current colour undefined; quad by quad it
    // would be the last one set.
    if (drawing || batch.colourPending)
        glColor4fv(batch.colour);
    batch.colourPending = 0;
}
