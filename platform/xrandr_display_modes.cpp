// The display modes of the X server, through RandR 1.2 CRTCs. Changes outlive
// the process: the server keeps them, also when the process dies. So while
// this game's mode is shown, the record on the server says how the displays
// were and whose mode it is, and a watcher process holds a copy, to put them
// back should the game end without doing so itself.
#include "platform/display_modes.h"

#include <algorithm>
#include <cstdio>

#include "platform/crtc_configs.h"
#include "platform/desktop_mode_record.h"
#include "platform/mode_watcher.h"
#include "platform/xrandr_screen.h"

namespace {

// What this game has switched, as it put it on record; no displays while
// none shows its mode.
DesktopRecord g_own;

// Without RandR switching the screen is one display in its one mode.
VideoMode RootMode()
{
    VideoMode mode{0, 0, RootBitsPerPixel(), 0};
    RootSize(&mode.width, &mode.height);
    return mode;
}

int Count()
{
    if (!XConnection())
        return 0;
    Displays displays;
    if (!ReadDisplays(&displays))
        return 1;
    return displays.count;
}

bool Geometry(int display, DisplayRect* rect)
{
    if (!XConnection())
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
    if (!XConnection())
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
    XRROutputInfo* output = XRRGetOutputInfo(XConnection(), displays.res, crtc.outputs[0]);
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

bool Shows(const VideoMode& current, const VideoMode& want)
{
    return want.width == current.width && want.height == current.height
        && (!want.refresh || want.refresh == current.refresh);
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

bool SameConfig(const CrtcConfig& a, const CrtcConfig& b)
{
    return a.crtc == b.crtc && a.x == b.x && a.y == b.y && a.mode == b.mode
        && a.rotation == b.rotation;
}

int SavedIndexOf(const DesktopRecord& record, RRCrtc crtc)
{
    for (int i = 0; i < record.count; ++i)
        if (record.saved[i].crtc == crtc)
            return i;
    return -1;
}

// The screen as it is, in the millimetres measured before the grab (the
// measurement probes the outputs); their density, should it have changed.
ScreenSize ScreenNow(const ScreenSize& measured)
{
    ScreenSize now{0, 0, 0, 0};
    RootSize(&now.width, &now.height);
    now.mmWidth = MillimetresFor(now.width, measured.width, measured.mmWidth);
    now.mmHeight = MillimetresFor(now.height, measured.height, measured.mmHeight);
    return now;
}

// How the display is now, as the desktop's, unless already on record.
int Remember(DesktopRecord* record, const CrtcConfig& config, const ScreenSize& screen)
{
    int i = SavedIndexOf(*record, config.crtc);
    if (i >= 0 || record->count >= MaxDisplays)
        return i;
    if (record->count == 0)
        record->screen = screen;
    record->saved[record->count] = config;
    record->switchedTo[record->count] = config.mode;
    return record->count++;
}

// Nothing of this game's is shown: nothing to put back, for the watcher too.
void Forget()
{
    g_own.count = 0;
    TellModeWatcher(g_own);
}

void ForgetAndRemoveRecord()
{
    RemoveDesktopRecord();
    Forget();
}

// Made this game's, before each switch, so that a kill at any moment finds
// what to put back: with the watcher, and on the server. The watcher's copy
// serves also when the server's cannot be written.
void Record(const DesktopRecord& desktop)
{
    g_own = desktop;
    std::snprintf(g_own.display, sizeof g_own.display, "%s", DisplayString(XConnection()));
    std::snprintf(g_own.owner, sizeof g_own.owner, "%s", OwnName());
    TellModeWatcher(g_own);
    WriteDesktopRecord(g_own);
}

// How the desktop was, as far as anyone knows: a running game's record says
// so (the mode shown may be that game's, not the desktop's); else this
// game's own copy while its mode is still shown; else nobody has switched.
void ReadDesktop(DesktopRecord* desktop)
{
    if (ReadLiveDesktopRecord(desktop))
        return;
    *desktop = g_own;
    if (desktop->count > 0 && !ShowsRecordedModes(*desktop))
        desktop->count = 0;
}

bool AllAtSavedConfigs(const Displays& displays, const DesktopRecord& record)
{
    for (int i = 0; i < displays.count; ++i) {
        CrtcConfig now;
        if (!ReadCrtc(displays, i, &now, nullptr, nullptr))
            return false;
        int saved = SavedIndexOf(record, now.crtc);
        if (saved >= 0 && !SameConfig(record.saved[saved], now))
            return false;
    }
    return true;
}

// Straight back to the desktop, whoever switched it.
bool PutBackDesktop(const DesktopRecord& desktop)
{
    if (!PutBackEveryRecorded(desktop))
        return false;
    ForgetAndRemoveRecord();
    return true;
}

// Only while the displays show this game's mode: once another game's is
// shown, that game puts the desktop back.
void Restore()
{
    if (g_own.count == 0 || !CanSwitchModes())
        return;
    ServerGrab grab;
    DesktopRecord onRecord;
    bool recorded = ReadDesktopRecord(&onRecord);
    if (recorded && !IsOwnRecord(onRecord)) {
        Forget();
        return;
    }
    // A failed switch back keeps both, for another try and for the watcher.
    if (!PutBackRecorded(recorded ? onRecord : g_own))
        return;
    if (recorded)
        RemoveDesktopRecord();
    Forget();
}

bool ChangeMode(int display, const VideoMode& want)
{
    if (!XConnection() || (want.depth && want.depth != RootBitsPerPixel()))
        return false;
    VideoMode current;
    if (!CanSwitchModes())
        return CurrentMode(display, &current) && Shows(current, want);
    // Both before the grab, which freezes every other program: the
    // measurement probes every output, and the watcher is forked.
    ScreenSize measured = CurrentScreenSize();
    StartModeWatcher();
    ServerGrab grab;
    DesktopRecord desktop;
    ReadDesktop(&desktop);
    Displays displays;
    CrtcConfig crtc;
    if (!ReadDisplays(&displays) || !ReadCrtc(displays, display, &crtc, nullptr, &current))
        return CurrentMode(display, &current) && Shows(current, want);
    int saved = SavedIndexOf(desktop, crtc.crtc);
    if (Shows(current, want)) {
        // Another game's mode, which this game plays in too: it becomes this
        // game's, so that the other does not put the desktop back under it.
        if (saved >= 0 && desktop.switchedTo[saved] == crtc.mode
            && crtc.mode != desktop.saved[saved].mode)
            Record(desktop);
        return true;
    }
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
    saved = Remember(&desktop, crtc, ScreenNow(measured));
    if (saved < 0)
        return false;
    CrtcConfig next = crtc;
    next.mode = pick;
    if (SameConfig(desktop.saved[saved], next) && desktop.count == 1)
        // Back to how the desktop was: its own screen size too.
        return PutBackDesktop(desktop);
    screen.mmWidth = MillimetresFor(screen.width, desktop.screen.width, desktop.screen.mmWidth);
    screen.mmHeight = MillimetresFor(screen.height, desktop.screen.height, desktop.screen.mmHeight);
    desktop.switchedTo[saved] = pick;
    Record(desktop);
    if (!ApplyConfigs(displays, &next, 1, screen)) {
        PutBackDesktop(g_own);
        return false;
    }
    if (AllAtSavedConfigs(displays, g_own))
        ForgetAndRemoveRecord();
    return true;
}

bool Desktop(int display, DisplayRect* rect, VideoMode* mode)
{
    if (!CanSwitchModes())
        return Geometry(display, rect) && CurrentMode(display, mode);
    ServerGrab grab;
    DesktopRecord desktop;
    ReadDesktop(&desktop);
    Displays displays;
    CrtcConfig crtc;
    if (!ReadDisplays(&displays) || !ReadCrtc(displays, display, &crtc, rect, mode))
        return Geometry(display, rect) && CurrentMode(display, mode);
    int saved = SavedIndexOf(desktop, crtc.crtc);
    if (saved < 0)
        return true;
    if (const XRRModeInfo* info = FindMode(displays.res, desktop.saved[saved].mode)) {
        *mode = ToVideoMode(*info, desktop.saved[saved].rotation);
        *rect = DisplayRect{desktop.saved[saved].x, desktop.saved[saved].y, mode->width,
                            mode->height};
    }
    return true;
}

} // namespace

extern const DisplayModeBackend g_xrandrDisplayModes = {
    Count, Geometry, CurrentMode, Modes, ChangeMode, Restore, Desktop,
};

void RecoverVideoModes()
{
    if (!CanSwitchModes())
        return;
    ServerGrab grab;
    DesktopRecord live;
    ReadLiveDesktopRecord(&live);
}
