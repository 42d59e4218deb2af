#include "tests/shell/fake_displays.h"

#include <cstring>

FakeDisplays g_fake;

namespace {

bool Exists(int display)
{
    return display >= 0 && display < g_fake.count;
}

int Count()
{
    return g_fake.count;
}

bool Geometry(int display, DisplayRect* rect)
{
    if (!Exists(display))
        return false;
    *rect = g_fake.displays[display].rect;
    return true;
}

bool CurrentMode(int display, VideoMode* mode)
{
    if (!Exists(display))
        return false;
    *mode = g_fake.displays[display].current;
    return true;
}

void Modes(int display, VideoModeList* list)
{
    if (!Exists(display))
        return;
    const FakeDisplay& d = g_fake.displays[display];
    for (int i = 0; i < d.modeCount; ++i)
        list->modes[list->count++] = d.modes[i];
}

void Show(FakeDisplay& d, const VideoMode& mode)
{
    d.current = mode;
    d.rect.width = mode.width;
    d.rect.height = mode.height;
}

bool ChangeMode(int display, const VideoMode& want)
{
    if (!Exists(display) || g_fake.failChanges)
        return false;
    FakeDisplay& d = g_fake.displays[display];
    for (int i = 0; i < d.modeCount; ++i) {
        const VideoMode& mode = d.modes[i];
        if (mode.width != want.width || mode.height != want.height
            || (want.depth && want.depth != mode.depth)
            || (want.refresh && want.refresh != mode.refresh))
            continue;
        if (!d.changed) {
            d.original = d.current;
            d.changed = true;
        }
        Show(d, mode);
        g_fake.changes += 1;
        return true;
    }
    return false;
}

void Restore()
{
    for (int i = 0; i < g_fake.count; ++i) {
        FakeDisplay& d = g_fake.displays[i];
        if (!d.changed)
            continue;
        Show(d, d.original);
        d.changed = false;
        g_fake.restores += 1;
    }
}

bool Desktop(int display, DisplayRect* rect, VideoMode* mode)
{
    if (!Exists(display))
        return false;
    const FakeDisplay& d = g_fake.displays[display];
    *rect = d.rect;
    *mode = d.current;
    if (d.changed) {
        *mode = d.original;
        rect->width = mode->width;
        rect->height = mode->height;
    }
    return true;
}

const DisplayModeBackend kFake = {Count, Geometry, CurrentMode, Modes, ChangeMode, Restore, Desktop};

} // namespace

void UseFakeDisplays(const DisplayRect& rect, const VideoMode& current)
{
    std::memset(&g_fake, 0, sizeof g_fake);
    AddFakeDisplay(rect, current);
    SetDisplayModeBackend(&kFake);
}

void AddFakeDisplay(const DisplayRect& rect, const VideoMode& current)
{
    FakeDisplay& d = g_fake.displays[g_fake.count++];
    d.rect = rect;
    d.current = current;
    d.modeCount = 0;
    AddFakeMode(g_fake.count - 1, current);
}

void AddFakeMode(int display, const VideoMode& mode)
{
    FakeDisplay& d = g_fake.displays[display];
    d.modes[d.modeCount++] = mode;
}

void UseRealDisplays()
{
    SetDisplayModeBackend(nullptr);
}
