// The X server's screen through RandR 1.2, on a connection of the process's
// own: each active CRTC is one display, showing one mode on its outputs. The
// connection outlives the toolkit's, so the exit paths can still use it.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/display_modes.h"

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

// The screen's resources and its active CRTCs, the primary display's first.
struct Displays
{
    XRRScreenResources* res = nullptr;
    int count = 0;
    RRCrtc crtcs[MaxDisplays];

    Displays(const Displays&) = delete;
    Displays& operator=(const Displays&) = delete;
    Displays() = default;
    ~Displays();
};

// Opened on first use, on the named display (null: $DISPLAY); null when
// there is no X server.
Display* XConnection(const char* name = nullptr);
// RandR 1.2 or later, and not Xwayland.
bool CanSwitchModes();
int RootBitsPerPixel();
Window XRoot();

bool ReadDisplays(Displays* displays);
// The resources alone, with every CRTC the screen has, active or not.
bool ReadScreenResources(Displays* displays);
bool ReadCrtc(const Displays& displays, int display, CrtcConfig* config, DisplayRect* rect,
              VideoMode* mode);
const XRRModeInfo* FindMode(const XRRScreenResources* res, RRMode id);
VideoMode ToVideoMode(const XRRModeInfo& info, Rotation rotation);
void RootSize(int* width, int* height);
// The size with its millimetres. The server probes every output for it (on
// real hardware each monitor, over its cable): never call it with the server
// grabbed.
ScreenSize CurrentScreenSize();
// Millimetres for a length in pixels at the density of a known length; at
// 96 dots per inch when that is unknown.
int MillimetresFor(int pixels, int knownPixels, int knownMillimetres);

// While one lives, no other client's requests run, so that reading how the
// displays are, deciding and switching is one step; errors of our own
// requests are counted, not fatal. They nest. Every other program is frozen
// meanwhile: probing outputs, forking and waiting happen before.
struct ServerGrab
{
    ServerGrab();
    ~ServerGrab();
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;
};

// Errors trapped since the outermost grab began.
int TrappedErrors();
