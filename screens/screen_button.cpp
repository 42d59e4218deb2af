#include "screens/screen_button.h"

#include <GL/gl.h>

#include "shell/textures.h"

bool ButtonContains(const ScreenButton& button, int32_t x, int32_t y)
{
    return x >= button.x0 && x < button.x1 && y >= button.y0 && y < button.y1;
}

void DrawScreenButton(const ScreenButton* button, TextureRecord* texture, bool enabled)
{
    double shade = 1.0;
    if (button->pressed)
        shade = 0.7;
    if (!enabled)
        shade = 0.4;
    glColor3d(shade, shade, shade);
    int32_t dx = 0, dy = 0;
    if (button->pressed) {
        dx = (button->x1 - button->x0) / 50;
        dy = (button->y1 - button->y0) / 50;
    }
    DrawTexturedQuad(texture, button->x0 + dx, button->y0 + dy, button->x1 - dx, button->y1 - dy,
                     1, 1, 0, 0);
}
