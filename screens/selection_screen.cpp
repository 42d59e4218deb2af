#include "screens/selection_screen.h"

#include <algorithm>

#include <GL/gl.h>

SelectionGeometry SelectionGeometryOf(int32_t width, int32_t height)
{
    SelectionGeometry g;
    g.m = std::max(0, std::min(width, height));
    g.u = g.m / 20;
    g.base = std::max(0, height - g.m) / 2;
    g.cx = std::max(0, width) / 2;
    g.cy = std::max(0, height) / 2;
    return g;
}

SelectionGeometry CurrentSelectionGeometry()
{
    return SelectionGeometryOf(g_graphics->width, g_graphics->height);
}

namespace {

void PlaceButton(ScreenButton* button, int32_t x0, int32_t y0, int32_t width, int32_t height,
                 int32_t keyCode)
{
    button->x0 = x0;
    button->y0 = y0;
    button->x1 = x0 + width;
    button->y1 = y0 + height;
    button->keyCode = keyCode;
}

} // namespace

void PlaceSelectionButtons(const SelectionGeometry& g, ScreenButton* left, ScreenButton* right,
                           ScreenButton* confirm, ScreenButton* abort)
{
    int32_t u = g.u;
    int32_t arrowsY = g.base + 13 * u / 5;
    int32_t buttonsY = g.base + 7 * u / 5;
    PlaceButton(left, g.cx - 51 * u / 10, arrowsY, u, u, kKeyLeft);
    PlaceButton(right, g.cx + 41 * u / 10, arrowsY, u, u, kKeyRight);
    PlaceButton(confirm, g.cx + u / 10, buttonsY, 4 * u, u, kKeyEnter);
    PlaceButton(abort, g.cx - 41 * u / 10, buttonsY, 4 * u, u, kKeyEscape);
}

void TurnWheel(uint32_t& current, uint32_t target, double& moveProgress, double& scroll,
               double progress, double itemsPerScroll)
{
    double a = current / itemsPerScroll;
    double b = target / itemsPerScroll;
    if (current != target)
        moveProgress += progress;
    if (moveProgress >= 1) {
        current = target;
        moveProgress = 0;
        scroll = b;
        return;
    }
    double t = moveProgress;
    double e = t * t * (3 - 2 * t);
    scroll = a * (1 - e) + b * e;
}

double WheelBrightness(uint32_t item, uint32_t current, uint32_t target, double moveProgress)
{
    double b = 0.5;
    if (item == current)
        b += 0.5 * (1 - moveProgress);
    if (item == target)
        b += 0.5 * moveProgress;
    return b;
}

void DrawSelectionCaption(TextureRecord* const* captions, uint32_t current, uint32_t target,
                          double moveProgress, const SelectionGeometry& g)
{
    uint32_t shown = current;
    double brightness = 1;
    if (current != target) {
        double t = moveProgress;
        shown = t < 0.5 ? current : target;
        brightness = t < 0.5 ? 1 - 2 * t : 2 * t - 1;
    }
    int32_t halfWidth = 41 * g.u / 10;
    double c = g.base + 31 * g.u / 10;
    double r = halfWidth / 16.0;
    glColor3d(brightness, brightness, brightness);
    DrawTexturedQuad(captions[shown], g.cx - halfWidth, c - r, g.cx + halfWidth, c + r, 1, 1, 0,
                     0);
}

bool StagePointOf(int32_t code, const void* data, int32_t* x, int32_t* y)
{
    if (code != InputLeftDown && code != InputLeftUp && code != InputMousePos)
        return false;
    const auto* p = static_cast<const InputPoint*>(data);
    *x = p->x;
    *y = p->y;
    // Pointer positions come in screen pixels; the stage may not start at
    // the screen's corner.
    if (code == InputMousePos) {
        *x -= g_graphics->stageX;
        *y -= g_graphics->stageY;
    }
    *y = g_graphics->height - *y;
    return true;
}
