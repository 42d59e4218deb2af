// The displays and their video modes, read from and switched through the X
// server's RandR extension. Display 0 is the primary one. The first switch
// remembers how the displays were, for every game on the X server, and
// RestoreVideoModes puts back those that still show this game's mode: a
// display another game or the player has switched since is theirs.
//
// Where RandR cannot switch (no RandR 1.2, a single-mode screen, Xwayland) a
// display lists its current mode only, so nothing is ever switched there.
#pragma once

#include <cstdint>

// A video mode. As a pattern, 0 in a field means any value.
struct VideoMode
{
    int32_t width;
    int32_t height;
    int32_t depth;    // bits per pixel
    int32_t refresh;  // Hz; 0 when unknown
};

// A display's place on the desktop, in screen pixels.
struct DisplayRect
{
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

enum
{
    MaxDisplays = 16,
    MaxVideoModes = 256,
};

struct VideoModeList
{
    int32_t count;
    VideoMode modes[MaxVideoModes];
};

// Every non-zero field of the pattern equals the mode's; the mode's refresh
// rate may also be higher than the pattern's.
bool VideoModeMatches(const VideoMode& mode, const VideoMode& pattern);
bool SameVideoMode(const VideoMode& a, const VideoMode& b);

int GetDisplayCount();
// False (and a zero rectangle) for a display that does not exist.
bool GetDisplayGeometry(int display, DisplayRect* rect);
bool GetCurrentVideoMode(int display, VideoMode* mode);
// Every mode the display offers; an empty list for a display that does not exist.
void GetVideoModes(int display, VideoModeList* list);
// True once the display shows a mode matching the given one.
bool ChangeVideoMode(int display, const VideoMode& mode);
// Puts back as it was each display that still shows the mode this process
// set: once another game's mode is shown, that game puts the desktop back.
// Safe to call at any time, also when nothing was changed.
void RestoreVideoModes();
// The display as it was before any running game switched it: as the record
// of the switch says, else as it is now.
bool GetDesktopDisplay(int display, DisplayRect* rect, VideoMode* mode);
// The display that holds most of the rectangle; -1 when it lies on none.
int GetDisplayFromRect(const DisplayRect& rect);

// While a display shows this process's mode, a watcher process stands by to
// put it back should this process end without doing so, however it ends.
// This puts back at once what a game left switched when it died with its
// watcher: the displays still in the mode that game set.
void RecoverVideoModes();

// The calls behind the functions above. The X server's are used unless a
// test puts in its own.
struct DisplayModeBackend
{
    int (*count)();
    bool (*geometry)(int display, DisplayRect* rect);
    bool (*currentMode)(int display, VideoMode* mode);
    void (*modes)(int display, VideoModeList* list);
    bool (*changeMode)(int display, const VideoMode& mode);
    void (*restore)();
    bool (*desktop)(int display, DisplayRect* rect, VideoMode* mode);
};

// Null puts the X server's calls back.
void SetDisplayModeBackend(const DisplayModeBackend* backend);
