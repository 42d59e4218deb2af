#include "platform/crtc_configs.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

__attribute__((format(printf, 1, 2))) bool Refuse(const char* why, ...)
{
    std::fputs("skylume: the displays are left as they are: ", stderr);
    va_list values;
    va_start(values, why);
    std::vfprintf(stderr, why, values);
    va_end(values);
    std::fputs("\n", stderr);
    return false;
}

bool Contains(const ScreenSize& screen, int x, int y, int width, int height)
{
    return x >= 0 && y >= 0 && x + width <= screen.width && y + height <= screen.height;
}

template <typename T>
bool Has(const T* items, int count, T item)
{
    return std::find(items, items + count, item) != items + count;
}

// One rotation, and reflections, all of them the CRTC's own.
bool Supports(const XRRCrtcInfo& crtc, Rotation rotation)
{
    Rotation turn = rotation & (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270);
    return turn != 0 && (turn & (turn - 1)) == 0 && (rotation & ~crtc.rotations) == 0;
}

bool OutputTakes(const Displays& displays, RROutput id, const CrtcConfig& config)
{
    XRROutputInfo* output = XRRGetOutputInfo(XConnection(), displays.res, id);
    if (!output)
        return false;
    bool takes = Has(output->crtcs, output->ncrtc, config.crtc)
        && Has(output->modes, output->nmode, config.mode);
    XRRFreeOutputInfo(output);
    return takes;
}

bool Takes(const Displays& displays, const CrtcConfig& config, const ScreenSize& screen)
{
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(XConnection(), displays.res, config.crtc);
    if (!crtc)
        return Refuse("display %lu is unknown", config.crtc);
    bool supported = Supports(*crtc, config.rotation);
    XRRFreeCrtcInfo(crtc);
    if (!supported)
        return Refuse("display %lu has no rotation %u", config.crtc, unsigned(config.rotation));
    const XRRModeInfo* info = FindMode(displays.res, config.mode);
    if (!info)
        return Refuse("mode %lu is unknown", config.mode);
    VideoMode mode = ToVideoMode(*info, config.rotation);
    if (!Contains(screen, config.x, config.y, mode.width, mode.height))
        return Refuse("display %lu would lie outside a screen of %d x %d", config.crtc,
                      screen.width, screen.height);
    for (int k = 0; k < config.outputCount; ++k)
        if (!OutputTakes(displays, config.outputs[k], config))
            return Refuse("output %lu cannot show mode %lu on display %lu", config.outputs[k],
                          config.mode, config.crtc);
    return true;
}

bool Configured(const CrtcConfig* configs, int count, RRCrtc crtc)
{
    for (int i = 0; i < count; ++i)
        if (configs[i].crtc == crtc)
            return true;
    return false;
}

// A display left as it is must fit the new screen too.
bool StaysInside(const Displays& displays, RRCrtc id, const ScreenSize& screen)
{
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(XConnection(), displays.res, id);
    if (!crtc)
        return true;
    bool inside = crtc->mode == None
        || Contains(screen, crtc->x, crtc->y, int(crtc->width), int(crtc->height));
    XRRFreeCrtcInfo(crtc);
    return inside || Refuse("display %lu would lie outside a screen of %d x %d", id,
                            screen.width, screen.height);
}

// Checked as a whole before anything changes: a configuration the server
// refuses halfway leaves displays switched off.
bool CanTake(const Displays& displays, const CrtcConfig* configs, int count,
             const ScreenSize& screen)
{
    int minWidth, minHeight, maxWidth, maxHeight;
    if (!XRRGetScreenSizeRange(XConnection(), XRoot(), &minWidth, &minHeight, &maxWidth,
                               &maxHeight)
        || screen.width < minWidth || screen.height < minHeight || screen.width > maxWidth
        || screen.height > maxHeight)
        return Refuse("the X server has no screen of %d x %d", screen.width, screen.height);
    for (int i = 0; i < count; ++i)
        if (!Takes(displays, configs[i], screen))
            return false;
    for (int i = 0; i < displays.res->ncrtc; ++i) {
        RRCrtc id = displays.res->crtcs[i];
        if (!Configured(configs, count, id) && !StaysInside(displays, id, screen))
            return false;
    }
    return true;
}

// Those whose present place would not fit the new screen, for the moment.
bool SwitchOffWhatWouldNotFit(const Displays& displays, const CrtcConfig* configs, int count,
                              const ScreenSize& screen)
{
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(XConnection(), displays.res, configs[i].crtc);
        if (!info)
            continue;
        bool changes = info->mode != configs[i].mode || info->x != configs[i].x
            || info->y != configs[i].y || info->rotation != configs[i].rotation;
        bool fits = Contains(screen, info->x, info->y, int(info->width), int(info->height));
        if (changes && !fits)
            ok &= XRRSetCrtcConfig(XConnection(), displays.res, configs[i].crtc, CurrentTime, 0,
                                   0, None, RR_Rotate_0, nullptr, 0)
                == RRSetConfigSuccess;
        XRRFreeCrtcInfo(info);
    }
    return ok;
}

} // namespace

bool ApplyConfigs(const Displays& displays, const CrtcConfig* configs, int count,
                  const ScreenSize& screen)
{
    ServerGrab grab;
    if (!CanTake(displays, configs, count, screen))
        return false;
    Display* x = XConnection();
    int errorsBefore = TrappedErrors();
    bool ok = SwitchOffWhatWouldNotFit(displays, configs, count, screen);
    int width, height;
    RootSize(&width, &height);
    // The server takes no size of 0 mm, which a record may hold.
    if (screen.width != width || screen.height != height)
        XRRSetScreenSize(x, XRoot(), screen.width, screen.height,
                         MillimetresFor(screen.width, screen.width, screen.mmWidth),
                         MillimetresFor(screen.height, screen.height, screen.mmHeight));
    for (int i = 0; i < count; ++i) {
        const CrtcConfig& c = configs[i];
        ok &= XRRSetCrtcConfig(x, displays.res, c.crtc, CurrentTime, c.x, c.y, c.mode, c.rotation,
                               const_cast<RROutput*>(c.outputs), c.outputCount)
            == RRSetConfigSuccess;
    }
    XSync(x, False);
    return ok && TrappedErrors() == errorsBefore;
}
