#include "screens/screen_drawing.h"

#include <cstdlib>

#include <GL/gl.h>

#include "platform/win_cursor.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/textures.h"

void LoadTexture(const char* name, RGBABitmap*& image, TextureRecord*& texture)
{
    image = LoadImageRGBA(name);
    texture = CreateTexture(image, true);
}

void LoadColumnTexture(const char* name, int x, int height, RGBABitmap*& image, TextureRecord*& texture)
{
    image = LoadImageColumn(name, x, height);
    texture = CreateTexture(image, true);
}

void FreeTexture(RGBABitmap*& image, TextureRecord*& texture)
{
    DeleteTextures(&texture, 1);
    texture = nullptr;
    std::free(image);
    image = nullptr;
}

void DrawWholeTexture(TextureRecord* texture, double x0, double y0, double x1, double y1)
{
    DrawTexturedQuad(texture, x0, y0, x1, y1, 1, 1, 0, 0);
}

void PushCentredView(double pixelsPerUnit)
{
    // The model-view stack is deep everywhere; the projection stack may
    // hold as few as two matrices.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(g_graphics->width / 2, g_graphics->height / 2, 0);
    glScaled(pixelsPerUnit, pixelsPerUnit, pixelsPerUnit);
}

void PopView()
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

int32_t ShorterStageSide()
{
    return g_graphics->width < g_graphics->height ? g_graphics->width : g_graphics->height;
}

HiddenCursor::HiddenCursor()
{
    if (g_graphics->hideCount == 0 && g_graphics->menuCount == 0)
        ShowCursor(FALSE);
    g_graphics->hideCount += 1;
}

HiddenCursor::~HiddenCursor()
{
    g_graphics->hideCount -= 1;
    if (g_graphics->hideCount == 0 && g_graphics->menuCount == 0)
        ShowCursor(TRUE);
}
