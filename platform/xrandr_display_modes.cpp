// The display modes of the X server, through RandR 1.2 CRTCs: each active
// CRTC is one display, showing one mode on its outputs. The process keeps its
// own connection, so that the exit paths can put the modes back after the
// toolkit has gone. Changes outlive the connection: the server keeps them,
// also when the process dies, so while any display is switched a record of
// how they were is kept in a file, and a watcher process puts them back if
// the process ends without having done so itself.
#include "platform/display_modes.h"

#include "platform/exit_watcher.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum
{
    MaxOutputsPerCrtc = 8,
    MaxRecordBytes = 8192,
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
RRMode g_switchedTo[MaxDisplays];  // the mode each of them was last switched to

// The record of the saved displays: written before every switch away from
// them, removed once they are back, and held open and locked meanwhile, so a
// record that can be locked was left by a process that has died.
char g_recordPath[PATH_MAX] = "";
int g_recordFile = -1;

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

struct ModeRecord
{
    char display[256];
    long game;  // the process that wrote it
    ScreenSize screen;
    int count;
    CrtcConfig saved[MaxDisplays];
    RRMode switchedTo[MaxDisplays];
};

// Text, one display a line: "crtc id x y mode rotation switched-to n outputs...".
int FormatRecord(char* text, int size)
{
    int length = std::snprintf(text, size,
                               "skylume display modes\ndisplay %s\ngame %ld\nscreen %d %d %d %d\n",
                               DisplayString(g_x), long(getpid()), g_savedScreen.width,
                               g_savedScreen.height, g_savedScreen.mmWidth, g_savedScreen.mmHeight);
    for (int i = 0; i < g_savedCount && length < size; ++i) {
        const CrtcConfig& c = g_saved[i];
        length += std::snprintf(text + length, size - length, "crtc %lu %d %d %lu %u %lu %d",
                                c.crtc, c.x, c.y, c.mode, unsigned(c.rotation), g_switchedTo[i],
                                c.outputCount);
        for (int k = 0; k < c.outputCount && length < size; ++k)
            length += std::snprintf(text + length, size - length, " %lu", c.outputs[k]);
        if (length < size)
            length += std::snprintf(text + length, size - length, "\n");
    }
    return length < size ? length : -1;
}

char* NextLine(char** rest)
{
    if (!**rest)
        return nullptr;
    char* line = *rest;
    char* end = std::strchr(line, '\n');
    *rest = end ? end + 1 : line + std::strlen(line);
    if (end)
        *end = 0;
    return line;
}

bool ParseCrtc(const char* line, CrtcConfig* c, RRMode* switchedTo)
{
    unsigned long crtc, mode, to;
    unsigned rotation;
    int used = 0;
    if (std::sscanf(line, "crtc %lu %d %d %lu %u %lu %d%n", &crtc, &c->x, &c->y, &mode, &rotation,
                    &to, &c->outputCount, &used)
            != 7
        || c->outputCount < 0 || c->outputCount > MaxOutputsPerCrtc)
        return false;
    for (int k = 0; k < c->outputCount; ++k) {
        unsigned long output;
        int n = 0;
        if (std::sscanf(line + used, " %lu%n", &output, &n) != 1)
            return false;
        c->outputs[k] = output;
        used += n;
    }
    c->crtc = crtc;
    c->mode = mode;
    c->rotation = Rotation(rotation);
    *switchedTo = to;
    return true;
}

bool ParseRecord(char* text, ModeRecord* record)
{
    *record = ModeRecord{};
    char* rest = text;
    char* line = NextLine(&rest);
    if (!line || std::strcmp(line, "skylume display modes") != 0)
        return false;
    line = NextLine(&rest);
    if (!line || std::strncmp(line, "display ", 8) != 0
        || std::strlen(line + 8) >= sizeof record->display)
        return false;
    std::strcpy(record->display, line + 8);
    line = NextLine(&rest);
    if (!line || std::sscanf(line, "game %ld", &record->game) != 1)
        return false;
    ScreenSize& screen = record->screen;
    line = NextLine(&rest);
    if (!line || std::sscanf(line, "screen %d %d %d %d", &screen.width, &screen.height,
                             &screen.mmWidth, &screen.mmHeight)
            != 4)
        return false;
    while ((line = NextLine(&rest)) && record->count < MaxDisplays) {
        int i = record->count;
        if (!ParseCrtc(line, &record->saved[i], &record->switchedTo[i]))
            return false;
        record->count += 1;
    }
    return record->count > 0;
}

// Written before each switch, so that a kill at any moment finds what to put
// back; through a temporary, so that it never holds half a record.
bool WriteRecord()
{
    char text[MaxRecordBytes];
    char temp[PATH_MAX + 8];
    int length = g_recordPath[0] ? FormatRecord(text, sizeof text) : -1;
    if (length < 0 || std::snprintf(temp, sizeof temp, "%s.new", g_recordPath) >= int(sizeof temp))
        return false;
    int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = flock(fd, LOCK_EX | LOCK_NB) == 0 && write(fd, text, length) == length
        && rename(temp, g_recordPath) == 0;
    if (!ok) {
        unlink(temp);
        close(fd);
        return false;
    }
    if (g_recordFile >= 0)
        close(g_recordFile);
    g_recordFile = fd;
    return true;
}

// Every display is as it was: nothing to put back, nothing on record.
void ForgetSaved()
{
    g_savedCount = 0;
    if (g_recordFile < 0)
        return;
    unlink(g_recordPath);
    close(g_recordFile);
    g_recordFile = -1;
}

bool Listed(const XID* ids, int count, XID id)
{
    return std::find(ids, ids + count, id) != ids + count;
}

// Everything the record names still exists on this server.
bool Recognised(const XRRScreenResources* res, const CrtcConfig& config)
{
    if (!Listed(res->crtcs, res->ncrtc, config.crtc) || !FindMode(res, config.mode))
        return false;
    for (int k = 0; k < config.outputCount; ++k)
        if (!Listed(res->outputs, res->noutput, config.outputs[k]))
            return false;
    return true;
}

// Puts the recorded displays back while one still shows the mode it was
// switched to; a display someone has changed since is theirs.
void PutBackRecorded(const ModeRecord& record)
{
    Displays displays;
    displays.res = XRRGetScreenResourcesCurrent(g_x, Root());
    if (!displays.res)
        return;
    bool switched = false;
    for (int i = 0; i < record.count; ++i) {
        if (!Recognised(displays.res, record.saved[i]))
            return;
        if (XRRCrtcInfo* info = XRRGetCrtcInfo(g_x, displays.res, record.saved[i].crtc)) {
            switched |= info->mode == record.switchedTo[i] && info->mode != record.saved[i].mode;
            XRRFreeCrtcInfo(info);
        }
    }
    if (switched)
        ApplyConfigs(displays, record.saved, record.count, record.screen);
}

bool IsFileAt(int fd, const char* path)
{
    struct stat opened, named;
    return fstat(fd, &opened) == 0 && stat(path, &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

// A record left by a process that has ended with the displays switched: they
// are put back and the record goes. The watcher knows the process it
// watched; otherwise a record nobody holds locked is one whose process has
// ended. A record of another X server is left for a start on that one.
void RepairFromRecord(long endedGame)
{
    int fd = open(g_recordPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char text[MaxRecordBytes];
    ModeRecord record;
    bool unheld = flock(fd, LOCK_EX | LOCK_NB) == 0 && IsFileAt(fd, g_recordPath);
    ssize_t length = read(fd, text, sizeof text - 1);
    if (length > 0)
        text[length] = 0;
    bool parsed = length > 0 && ParseRecord(text, &record);
    bool stale = endedGame ? parsed && record.game == endedGame : unheld;
    if (parsed && (!Connection() || std::strcmp(record.display, DisplayString(g_x)) != 0))
        stale = false;
    if (stale && parsed && g_canSwitch)
        PutBackRecorded(record);
    if (stale)
        unlink(g_recordPath);
    close(fd);
}

// In the watcher, once the game has died: on a connection of its own.
void RepairAfterDeath(int game)
{
    g_x = nullptr;
    g_connectionTried = false;
    g_recordFile = -1;
    RepairFromRecord(game);
}

// A clean end with every display back: the watcher has nothing to do.
void DismissWatcherIfAllBack()
{
    if (g_savedCount == 0)
        DismissExitWatcher();
}

void StartWatcher()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    StartExitWatcher(RepairAfterDeath);
    std::atexit(DismissWatcherIfAllBack);
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
        ForgetSaved();
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
    if (const CrtcConfig* saved = SavedConfigOf(crtc.crtc))
        g_switchedTo[saved - g_saved] = pick;
    if (WriteRecord())
        StartWatcher();
    if (!ApplyConfigs(displays, &next, 1, screen)) {
        Restore();
        return false;
    }
    if (AllAtSavedConfigs(displays))
        ForgetSaved();
    return true;
}

void Recover(const char* recordPath)
{
    int length = std::snprintf(g_recordPath, sizeof g_recordPath, "%s", recordPath);
    if (length < 0 || length >= int(sizeof g_recordPath)) {
        g_recordPath[0] = 0;
        return;
    }
    RepairFromRecord(0);
}

} // namespace

extern const DisplayModeBackend g_xrandrDisplayModes = {
    Count, Geometry, CurrentMode, Modes, ChangeMode, Restore,
};

void RecoverVideoModes(const char* recordPath)
{
    Recover(recordPath);
}
