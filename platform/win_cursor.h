// The system cursor as the game's cursor code expects it: screen positions
// with the origin at the top-left of the primary display, and a show/hide
// counter. A warp is seen by the very next position read.
#pragma once

#include "platform/win_types.h"

struct POINT
{
    int32_t x;
    int32_t y;
};

// FALSE when the pointer cannot be read (no X display, or on another screen).
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
// Counts up with TRUE and down with FALSE; the cursor is hidden over the
// program's windows while the count is below 0. Returns the new count.
int ShowCursor(BOOL show);
