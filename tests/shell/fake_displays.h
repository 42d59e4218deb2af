// A display layer for tests: displays and modes as the test sets them, mode
// changes that succeed or fail on request and are counted.
#pragma once

#include "platform/display_modes.h"

struct FakeDisplay
{
    DisplayRect rect;
    VideoMode current;
    int modeCount;
    VideoMode modes[16];
    VideoMode original;  // before the first change
    bool changed;
};

struct FakeDisplays
{
    int count;
    FakeDisplay displays[4];
    bool failChanges;
    int changes;   // successful switches
    int restores;  // displays put back by RestoreVideoModes
};

extern FakeDisplays g_fake;

// Installs the fake layer with one display of the given rectangle showing the
// given mode, which is also its only mode.
void UseFakeDisplays(const DisplayRect& rect, const VideoMode& current);
void AddFakeDisplay(const DisplayRect& rect, const VideoMode& current);
void AddFakeMode(int display, const VideoMode& mode);
// Puts the X server's layer back.
void UseRealDisplays();
