#include "shell/textures.h"

#include <cstdlib>

#include <GL/gl.h>

#include "shell/images.h"

TextureRecord* CreateTexture(RGBABitmap* bitmap, bool hasAlpha)
{
    auto* texture = static_cast<TextureRecord*>(std::malloc(sizeof(TextureRecord)));
    if (!texture)
        return nullptr;
    texture->source = bitmap;
    texture->name = 0;
    texture->valid = 0;
    texture->hasAlpha = hasAlpha;
    if (!bitmap || bitmap->width <= 0 || bitmap->height <= 0)
        return texture;
    // Larger than the driver takes, the upload would fail and leave a name
    // that draws white: such a picture is missing, as one that did not load.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (bitmap->width > largest || bitmap->height > largest)
        return texture;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelZoom(1, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap->pitch / 4);
    glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Modulate: the current colour tints and fades what is drawn.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexImage2D(GL_TEXTURE_2D, 0, hasAlpha ? GL_RGBA : GL_RGB, bitmap->width, bitmap->height, 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, bitmap->data);
    texture->name = name;
    texture->valid = 1;
    return texture;
}

void CreateTextures(ImageStrip* strip, TextureRecord** out, uint32_t count)
{
    if (!strip || !out || count == 0)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        RGBABitmap* frame = nullptr;
        if (i < uint32_t(strip->count) && strip->rows > 0 && i < strip->frames.size())
            frame = strip->frames[i];
        out[i] = CreateTexture(frame, true);
    }
}

void DeleteTextures(TextureRecord** records, uint32_t count)
{
    if (!records || count == 0)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        TextureRecord* texture = records[i];
        if (!texture)
            continue;
        if (texture->valid) {
            GLuint name = texture->name;
            glDeleteTextures(1, &name);
        }
        std::free(texture);
    }
}

void DrawTexturedQuad(TextureRecord* texture, double x0, double y0, double x1, double y1,
                      double du, double dv, double u, double v)
{
    if (!texture || !texture->valid)
        return;
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glBegin(GL_QUADS);
    glTexCoord2f(float(u), float(v));
    glVertex2f(float(x0), float(y0));
    glTexCoord2f(float(u), float(v + dv));
    glVertex2f(float(x0), float(y1));
    glTexCoord2f(float(u + du), float(v + dv));
    glVertex2f(float(x1), float(y1));
    glTexCoord2f(float(u + du), float(v));
    glVertex2f(float(x1), float(y0));
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}
