// The display modes of the X server, through RandR 1.2 CRTCs: each active
// CRTC is one display, showing one mode on its outputs. The process keeps its
// own connection, so that the exit paths can put the modes back after the
// toolkit has gone. Changes outlive the connection: the server keeps them.
#include "platform/display_modes.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum
{
    MaxOutputsPerCrtc = 8,
};

struct CrtcConfig
{
    RRCrtc crtc;
    int x;
    int y;
    RRMode mode;
    Rotation rotation;
    int outputCount;
    RROutput outputs[MaxOutputsPerCrtc];
};

struct ScreenSize
{
    int width;
    int height;
    int mmWidth;
    int mmHeight;
};

Display* g_x = nullptr;
bool g_connectionTried = false;
bool g_canSwitch = false;  // RandR 1.2 or later and not Xwayland
int g_bitsPerPixel = 0;

// How every display changed by this process was before its first change.
CrtcConfig g_saved[MaxDisplays];
int g_savedCount = 0;
ScreenSize g_savedScreen;

int g_trappedErrors = 0;
XErrorHandler g_previousErrorHandler = nullptr;

int TrapError(Display* display, XErrorEvent* error)
{
    if (display != g_x)
        return g_previousErrorHandler ? g_previousErrorHandler(display, error) : 0;
    ++g_trappedErrors;
    return 0;
}

// Errors of our own requests are counted, not fatal, while one of these lives.
struct ErrorTrap
{
    ErrorTrap()
    {
        g_trappedErrors = 0;
        g_previousErrorHandler = XSetErrorHandler(TrapError);
    }
    ~ErrorTrap() { XSetErrorHandler(g_previousErrorHandler); }
};

int BitsPerPixelOfRoot(Display* x)
{
    int depth = DefaultDepth(x, DefaultScreen(x));
    int count = 0;
    int bits = depth;
    XPixmapFormatValues* formats = XListPixmapFormats(x, &count);
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth)
            bits = formats[i].bits_per_pixel;
    if (formats)
        XFree(formats);
    return bits;
}

bool IsXwayland(Display* x)
{
    int opcode, event, error;
    return XQueryExtension(x, "XWAYLAND", &opcode, &event, &error);
}

Display* Connection()
{
    if (g_connectionTried)
        return g_x;
    g_connectionTried = true;
    g_x = XOpenDisplay(nullptr);
    if (!g_x)
        return nullptr;
    g_bitsPerPixel = BitsPerPixelOfRoot(g_x);
    int event, error, major = 0, minor = 0;
    g_canSwitch = XRRQueryExtension(g_x, &event, &error) && XRRQueryVersion(g_x, &major, &minor)
        && (major > 1 || (major == 1 && minor >= 2)) && !IsXwayland(g_x);
    return g_x;
}

Window Root()
{
    return DefaultRootWindow(g_x);
}

const XRRModeInfo* FindMode(const XRRScreenResources* res, RRMode id)
{
    for (int i = 0; i < res->nmode; ++i)
        if (res->modes[i].id == id)
            return &res->modes[i];
    return nullptr;
}

int RefreshOf(const XRRModeInfo& mode)
{
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan)
        lines *= 2;
    if (mode.modeFlags & RR_Interlace)
        lines /= 2;
    if (mode.hTotal == 0 || lines <= 0)
        return 0;
    return int(std::lround(double(mode.dotClock) / (mode.hTotal * lines)));
}

VideoMode ToVideoMode(const XRRModeInfo& info, Rotation rotation)
{
    bool sideways = rotation & (RR_Rotate_90 | RR_Rotate_270);
    VideoMode mode;
    mode.width = int32_t(sideways ? info.height : info.width);
    mode.height = int32_t(sideways ? info.width : info.height);
    mode.depth = g_bitsPerPixel;
    mode.refresh = RefreshOf(info);
    return mode;
}

// The screen's resources and its active CRTCs, the primary display's first.
struct Displays
{
    XRRScreenResources* res = nullptr;
    int count = 0;
    RRCrtc crtcs[MaxDisplays];

    Displays(const Displays&) = delete;
    Displays& operator=(const Displays&) = delete;
    Displays() = default;
    ~Displays()
    {
        if (res)
            XRRFreeScreenResources(res);
    }
};

bool CrtcIsActive(const XRRScreenResources* res, RRCrtc crtc)
{
    XRRCrtcInfo* info = XRRGetCrtcInfo(g_x, const_cast<XRRScreenResources*>(res), crtc);
    bool active = info && info->mode != None && info->noutput > 0;
    if (info)
        XRRFreeCrtcInfo(info);
    return active;
}

bool ReadDisplays(Displays* displays)
{
    if (!Connection() || !g_canSwitch)
        return false;
    displays->res = XRRGetScreenResourcesCurrent(g_x, Root());
    if (!displays->res)
        return false;
    XRRScreenResources* res = displays->res;
    RRCrtc primary = None;
    RROutput primaryOutput = XRRGetOutputPrimary(g_x, Root());
    if (primaryOutput) {
        if (XRROutputInfo* output = XRRGetOutputInfo(g_x, res, primaryOutput)) {
            primary = output->crtc;
            XRRFreeOutputInfo(output);
        }
    }
    if (primary != None && CrtcIsActive(res, primary))
        displays->crtcs[displays->count++] = primary;
    for (int i = 0; i < res->ncrtc && displays->count < MaxDisplays; ++i)
        if (res->crtcs[i] != primary && CrtcIsActive(res, res->crtcs[i]))
            displays->crtcs[displays->count++] = res->crtcs[i];
    return displays->count > 0;
}

// Asked of the server each time: Xlib's own copy goes stale as modes change.
void RootSize(int* width, int* height)
{
    Window root;
    int x, y;
    unsigned w = 0, h = 0, border, depth;
    XGetGeometry(g_x, Root(), &root, &x, &y, &w, &h, &border, &depth);
    *width = int(w);
    *height = int(h);
}

// Without RandR switching the screen is one display in its one mode.
VideoMode RootMode()
{
    VideoMode mode{0, 0, g_bitsPerPixel, 0};
    RootSize(&mode.width, &mode.height);
    return mode;
}

bool ReadCrtc(const Displays& displays, int display, CrtcConfig* config, DisplayRect* rect,
              VideoMode* mode)
{
    if (display < 0 || display >= displays.count)
        return false;
    XRRCrtcInfo* info = XRRGetCrtcInfo(g_x, displays.res, displays.crtcs[display]);
    if (!info)
        return false;
    if (config) {
        config->crtc = displays.crtcs[display];
        config->x = info->x;
        config->y = info->y;
        config->mode = info->mode;
        config->rotation = info->rotation;
        config->outputCount = std::min<int>(info->noutput, MaxOutputsPerCrtc);
        std::memcpy(config->outputs, info->outputs, sizeof(RROutput) * config->outputCount);
    }
    if (rect)
        *rect = DisplayRect{info->x, info->y, int32_t(info->width), int32_t(info->height)};
    if (mode) {
        const XRRModeInfo* current = FindMode(displays.res, info->mode);
        *mode = current ? ToVideoMode(*current, info->rotation)
                        : VideoMode{int32_t(info->width), int32_t(info->height), g_bitsPerPixel, 0};
    }
    XRRFreeCrtcInfo(info);
    return true;
}

int Count()
{
    if (!Connection())
        return 0;
    Displays displays;
    if (!ReadDisplays(&displays))
        return 1;
    return displays.count;
}

bool Geometry(int display, DisplayRect* rect)
{
    if (!Connection())
        return false;
    Displays displays;
    if (ReadDisplays(&displays))
        return ReadCrtc(displays, display, nullptr, rect, nullptr);
    if (display != 0)
        return false;
    VideoMode root = RootMode();
    *rect = DisplayRect{0, 0, root.width, root.height};
    return true;
}

bool CurrentMode(int display, VideoMode* mode)
{
    if (!Connection())
        return false;
    Displays displays;
    if (ReadDisplays(&displays))
        return ReadCrtc(displays, display, nullptr, nullptr, mode);
    if (display != 0)
        return false;
    *mode = RootMode();
    return true;
}

void AddDistinct(VideoModeList* list, const VideoMode& mode)
{
    for (int i = 0; i < list->count; ++i)
        if (SameVideoMode(list->modes[i], mode))
            return;
    if (list->count < MaxVideoModes)
        list->modes[list->count++] = mode;
}

// Calls visit(modeInfo) for every mode of the display's first output.
template <typename Visit>
void ForEachOutputMode(const Displays& displays, const CrtcConfig& crtc, Visit visit)
{
    if (crtc.outputCount == 0)
        return;
    XRROutputInfo* output = XRRGetOutputInfo(g_x, displays.res, crtc.outputs[0]);
    if (!output)
        return;
    for (int i = 0; i < output->nmode; ++i)
        if (const XRRModeInfo* info = FindMode(displays.res, output->modes[i]))
            visit(*info, i < output->npreferred);
    XRRFreeOutputInfo(output);
}

void Modes(int display, VideoModeList* list)
{
    VideoMode current;
    if (!CurrentMode(display, &current))
        return;
    AddDistinct(list, current);
    Displays displays;
    CrtcConfig crtc;
    if (!ReadDisplays(&displays) || !ReadCrtc(displays, display, &crtc, nullptr, nullptr))
        return;
    ForEachOutputMode(displays, crtc, [&](const XRRModeInfo& info, bool) {
        AddDistinct(list, ToVideoMode(info, crtc.rotation));
    });
}

// The mode for a request: the size must be equal, the refresh rate too when
// one is asked for; otherwise a preferred mode, then the highest rate.
RRMode PickMode(const Displays& displays, const CrtcConfig& crtc, const VideoMode& want)
{
    RRMode best = None;
    int bestRank = -1;
    ForEachOutputMode(displays, crtc, [&](const XRRModeInfo& info, bool preferred) {
        VideoMode mode = ToVideoMode(info, crtc.rotation);
        if (mode.width != want.width || mode.height != want.height)
            return;
        if (want.refresh && mode.refresh != want.refresh)
            return;
        int rank = (preferred ? 100000 : 0) + mode.refresh;
        if (rank > bestRank) {
            best = info.id;
            bestRank = rank;
        }
    });
    return best;
}

int MillimetresFor(int pixels, int savedPixels, int savedMillimetres)
{
    if (savedPixels > 0 && savedMillimetres > 0)
        return int(int64_t(pixels) * savedMillimetres / savedPixels);
    return int(std::lround(pixels * 25.4 / 96.0));
}

ScreenSize CurrentScreenSize()
{
    ScreenSize size{0, 0, 0, 0};
    RootSize(&size.width, &size.height);
    if (XRRScreenConfiguration* config = XRRGetScreenInfo(g_x, Root())) {
        int count = 0;
        Rotation rotation;
        XRRScreenSize* sizes = XRRConfigSizes(config, &count);
        SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
        if (current < count) {
            size.mmWidth = sizes[current].mwidth;
            size.mmHeight = sizes[current].mheight;
        }
        XRRFreeScreenConfigInfo(config);
    }
    return size;
}

// Puts the given CRTCs into their configurations on a screen of the given
// size, as one step that no other client sees half done. CRTCs that would not
// fit the new screen are switched off first.
bool ApplyConfigs(const Displays& displays, const CrtcConfig* configs, int count,
                  const ScreenSize& screen)
{
    int minWidth, minHeight, maxWidth, maxHeight;
    if (!XRRGetScreenSizeRange(g_x, Root(), &minWidth, &minHeight, &maxWidth, &maxHeight)
        || screen.width < minWidth || screen.height < minHeight || screen.width > maxWidth
        || screen.height > maxHeight)
        return false;
    ScreenSize now = CurrentScreenSize();
    bool ok = true;
    ErrorTrap trap;
    XGrabServer(g_x);
    for (int i = 0; i < count; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(g_x, displays.res, configs[i].crtc);
        if (!info)
            continue;
        bool changes = info->mode != configs[i].mode || info->x != configs[i].x
            || info->y != configs[i].y || info->rotation != configs[i].rotation;
        bool fits = info->x + int(info->width) <= screen.width
            && info->y + int(info->height) <= screen.height;
        if (changes && !fits)
            ok &= XRRSetCrtcConfig(g_x, displays.res, configs[i].crtc, CurrentTime, 0, 0, None,
                                   RR_Rotate_0, nullptr, 0)
                == RRSetConfigSuccess;
        XRRFreeCrtcInfo(info);
    }
    if (screen.width != now.width || screen.height != now.height)
        XRRSetScreenSize(g_x, Root(), screen.width, screen.height, screen.mmWidth,
                         screen.mmHeight);
    for (int i = 0; i < count; ++i) {
        CrtcConfig config = configs[i];
        ok &= XRRSetCrtcConfig(g_x, displays.res, config.crtc, CurrentTime, config.x, config.y,
                               config.mode, config.rotation, config.outputs, config.outputCount)
            == RRSetConfigSuccess;
    }
    XUngrabServer(g_x);
    XSync(g_x, False);
    return ok && g_trappedErrors == 0;
}

bool SameConfig(const CrtcConfig& a, const CrtcConfig& b)
{
    return a.crtc == b.crtc && a.x == b.x && a.y == b.y && a.mode == b.mode
        && a.rotation == b.rotation;
}

const CrtcConfig* SavedConfigOf(RRCrtc crtc)
{
    for (int i = 0; i < g_savedCount; ++i)
        if (g_saved[i].crtc == crtc)
            return &g_saved[i];
    return nullptr;
}

void Remember(const CrtcConfig& config)
{
    if (SavedConfigOf(config.crtc) || g_savedCount >= MaxDisplays)
        return;
    if (g_savedCount == 0)
        g_savedScreen = CurrentScreenSize();
    g_saved[g_savedCount++] = config;
}

bool AllAtSavedConfigs(const Displays& displays)
{
    for (int i = 0; i < displays.count; ++i) {
        CrtcConfig now;
        if (!ReadCrtc(displays, i, &now, nullptr, nullptr))
            return false;
        const CrtcConfig* saved = SavedConfigOf(now.crtc);
        if (saved && !SameConfig(*saved, now))
            return false;
    }
    return true;
}

void Restore()
{
    if (g_savedCount == 0 || !Connection())
        return;
    Displays displays;
    displays.res = XRRGetScreenResourcesCurrent(g_x, Root());
    if (!displays.res)
        return;
    if (ApplyConfigs(displays, g_saved, g_savedCount, g_savedScreen))
        g_savedCount = 0;
}

bool ChangeMode(int display, const VideoMode& want)
{
    VideoMode current;
    if (!CurrentMode(display, &current))
        return false;
    if (want.depth && want.depth != g_bitsPerPixel)
        return false;
    if (want.width == current.width && want.height == current.height
        && (!want.refresh || want.refresh == current.refresh))
        return true;
    Displays displays;
    CrtcConfig crtc;
    if (!ReadDisplays(&displays) || !ReadCrtc(displays, display, &crtc, nullptr, nullptr))
        return false;
    RRMode pick = PickMode(displays, crtc, want);
    if (pick == None)
        return false;

    // The screen becomes the box around every display with this one's new size.
    ScreenSize screen{0, 0, 0, 0};
    for (int i = 0; i < displays.count; ++i) {
        DisplayRect rect{0, 0, 0, 0};
        ReadCrtc(displays, i, nullptr, &rect, nullptr);
        if (i == display) {
            rect.width = want.width;
            rect.height = want.height;
        }
        screen.width = std::max(screen.width, rect.x + rect.width);
        screen.height = std::max(screen.height, rect.y + rect.height);
    }
    Remember(crtc);
    CrtcConfig next = crtc;
    next.mode = pick;
    if (SavedConfigOf(crtc.crtc) && SameConfig(*SavedConfigOf(crtc.crtc), next)
        && g_savedCount == 1) {
        // Back to how the desktop was: its own screen size too.
        Restore();
        return g_savedCount == 0;
    }
    screen.mmWidth = MillimetresFor(screen.width, g_savedScreen.width, g_savedScreen.mmWidth);
    screen.mmHeight = MillimetresFor(screen.height, g_savedScreen.height, g_savedScreen.mmHeight);
    if (!ApplyConfigs(displays, &next, 1, screen)) {
        Restore();
        return false;
    }
    if (AllAtSavedConfigs(displays))
        g_savedCount = 0;
    return true;
}

} // namespace

extern const DisplayModeBackend g_xrandrDisplayModes = {
    Count, Geometry, CurrentMode, Modes, ChangeMode, Restore,
};
