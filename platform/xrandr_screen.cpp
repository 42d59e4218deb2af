#include "platform/xrandr_screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

Display* g_x = nullptr;
bool g_connectionTried = false;
bool g_canSwitch = false;
int g_bitsPerPixel = 0;

int g_grabDepth = 0;
int g_trappedErrors = 0;
XErrorHandler g_previousErrorHandler = nullptr;

int TrapError(Display* display, XErrorEvent* error)
{
    if (display != g_x)
        return g_previousErrorHandler ? g_previousErrorHandler(display, error) : 0;
    ++g_trappedErrors;
    return 0;
}

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

bool CrtcIsActive(const XRRScreenResources* res, RRCrtc crtc)
{
    XRRCrtcInfo* info = XRRGetCrtcInfo(g_x, const_cast<XRRScreenResources*>(res), crtc);
    bool active = info && info->mode != None && info->noutput > 0;
    if (info)
        XRRFreeCrtcInfo(info);
    return active;
}

} // namespace

Displays::~Displays()
{
    if (res)
        XRRFreeScreenResources(res);
}

Display* XConnection(const char* name)
{
    if (g_connectionTried)
        return g_x;
    g_connectionTried = true;
    g_x = XOpenDisplay(name);
    if (!g_x)
        return nullptr;
    g_bitsPerPixel = BitsPerPixelOfRoot(g_x);
    int event, error, major = 0, minor = 0;
    g_canSwitch = XRRQueryExtension(g_x, &event, &error) && XRRQueryVersion(g_x, &major, &minor)
        && (major > 1 || (major == 1 && minor >= 2)) && !IsXwayland(g_x);
    return g_x;
}

bool CanSwitchModes()
{
    return XConnection() && g_canSwitch;
}

int RootBitsPerPixel()
{
    return g_bitsPerPixel;
}

Window XRoot()
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

bool ReadScreenResources(Displays* displays)
{
    if (!CanSwitchModes())
        return false;
    displays->res = XRRGetScreenResourcesCurrent(g_x, XRoot());
    return displays->res != nullptr;
}

bool ReadDisplays(Displays* displays)
{
    if (!ReadScreenResources(displays))
        return false;
    XRRScreenResources* res = displays->res;
    RRCrtc primary = None;
    RROutput primaryOutput = XRRGetOutputPrimary(g_x, XRoot());
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
    XGetGeometry(g_x, XRoot(), &root, &x, &y, &w, &h, &border, &depth);
    *width = int(w);
    *height = int(h);
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

ScreenSize CurrentScreenSize()
{
    ScreenSize size{0, 0, 0, 0};
    RootSize(&size.width, &size.height);
    if (XRRScreenConfiguration* config = XRRGetScreenInfo(g_x, XRoot())) {
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

int MillimetresFor(int pixels, int knownPixels, int knownMillimetres)
{
    if (knownPixels > 0 && knownMillimetres > 0)
        return int(int64_t(pixels) * knownMillimetres / knownPixels);
    return int(std::lround(pixels * 25.4 / 96.0));
}

ServerGrab::ServerGrab()
{
    if (g_grabDepth++ > 0)
        return;
    g_trappedErrors = 0;
    g_previousErrorHandler = XSetErrorHandler(TrapError);
    XGrabServer(g_x);
}

ServerGrab::~ServerGrab()
{
    if (--g_grabDepth > 0)
        return;
    XUngrabServer(g_x);
    XSync(g_x, False);
    XSetErrorHandler(g_previousErrorHandler);
}

int TrappedErrors()
{
    return g_trappedErrors;
}
