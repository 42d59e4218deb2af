// The record, kept on the X server's root window, of how the displays were
// before a game switched them and of the game whose mode they show. Every
// game on that X server sees it, whatever its settings folder, and it goes
// with the server: a second game takes the desktop's modes from it rather
// than from what the first game set; the game that ends with its own mode
// shown puts the desktop back and removes it; a game that died is undone by
// its watcher, or by the next start if the watcher died too.
#pragma once

#include "platform/xrandr_screen.h"

enum
{
    MaxRecordBytes = 8192,
};

struct DesktopRecord
{
    char display[256];  // the X display it belongs to
    char owner[64];     // the game whose mode is shown
    ScreenSize screen;  // the screen's size before the first switch
    int count;
    CrtcConfig saved[MaxDisplays];
    RRMode switchedTo[MaxDisplays];  // the mode each display was last switched to
};

// This process's name as an owner. From the first call on, it is held on
// the X server until the process ends, however it ends.
const char* OwnName();
bool IsOwnRecord(const DesktopRecord& record);

// Text, one display a line; -1 when it does not fit.
int FormatDesktopRecord(const DesktopRecord& record, char* text, int size);
bool ParseDesktopRecord(const char* text, DesktopRecord* record);

// The calls below need the server grabbed (ServerGrab).
// The record as it stands; false when there is none or it is unreadable.
bool ReadDesktopRecord(DesktopRecord* record);
// The record of a game still running; one whose game has ended is put back
// first, and removed once it could be.
bool ReadLiveDesktopRecord(DesktopRecord* record);
bool WriteDesktopRecord(const DesktopRecord& record);
void RemoveDesktopRecord();
// True while a display on record shows the mode it was switched to.
bool ShowsRecordedModes(const DesktopRecord& record);
// Puts back the displays on record that still show the mode they were
// switched to; a display someone has changed since is theirs. One the X
// server no longer knows is left, and said so on stderr. False only when a
// switch back failed or was refused.
bool PutBackRecorded(const DesktopRecord& record);
// The same for every display on record, whatever it shows.
bool PutBackEveryRecorded(const DesktopRecord& record);
