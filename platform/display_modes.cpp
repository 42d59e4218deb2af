#include "platform/display_modes.h"

#include <algorithm>

extern const DisplayModeBackend g_xrandrDisplayModes;

namespace {

const DisplayModeBackend* g_backend = &g_xrandrDisplayModes;

int64_t Overlap(const DisplayRect& a, const DisplayRect& b)
{
    int64_t w = int64_t(std::min(a.x + a.width, b.x + b.width)) - std::max(a.x, b.x);
    int64_t h = int64_t(std::min(a.y + a.height, b.y + b.height)) - std::max(a.y, b.y);
    return (w > 0 && h > 0) ? w * h : 0;
}

} // namespace

void SetDisplayModeBackend(const DisplayModeBackend* backend)
{
    g_backend = backend ? backend : &g_xrandrDisplayModes;
}

bool VideoModeMatches(const VideoMode& mode, const VideoMode& pattern)
{
    return (!pattern.width || mode.width == pattern.width)
        && (!pattern.height || mode.height == pattern.height)
        && (!pattern.depth || mode.depth == pattern.depth)
        && (!pattern.refresh || mode.refresh >= pattern.refresh);
}

bool SameVideoMode(const VideoMode& a, const VideoMode& b)
{
    return a.width == b.width && a.height == b.height && a.depth == b.depth
        && a.refresh == b.refresh;
}

int GetDisplayCount()
{
    return g_backend->count();
}

bool GetDisplayGeometry(int display, DisplayRect* rect)
{
    *rect = DisplayRect{};
    return g_backend->geometry(display, rect);
}

bool GetCurrentVideoMode(int display, VideoMode* mode)
{
    *mode = VideoMode{};
    return g_backend->currentMode(display, mode);
}

void GetVideoModes(int display, VideoModeList* list)
{
    list->count = 0;
    g_backend->modes(display, list);
}

bool ChangeVideoMode(int display, const VideoMode& mode)
{
    return g_backend->changeMode(display, mode);
}

void RestoreVideoModes()
{
    g_backend->restore();
}

bool GetDesktopDisplay(int display, DisplayRect* rect, VideoMode* mode)
{
    *rect = DisplayRect{};
    *mode = VideoMode{};
    return g_backend->desktop(display, rect, mode);
}

int GetDisplayFromRect(const DisplayRect& rect)
{
    int best = -1;
    int64_t bestArea = 0;
    int count = GetDisplayCount();
    for (int i = 0; i < count; ++i) {
        DisplayRect geometry;
        if (!GetDisplayGeometry(i, &geometry))
            continue;
        int64_t area = Overlap(rect, geometry);
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}
