// Buffer swaps that wait for the display's vertical blank, so that on a real
// display the game draws as many frames as the screen shows and no more.
// The game's clock follows the measured frame time, so any rate is right.
#pragma once

enum VerticalSync
{
    kNoSwapControl = 0,   // the driver offers no way to ask
    kExtSwapControl = 1,  // GLX_EXT_swap_control
    kMesaSwapControl = 2, // GLX_MESA_swap_control
};

// Asks for a swap interval of 1 on the GL context and drawable current now;
// tells which extension was asked.
VerticalSync RequestVerticalSync();
// The swap interval the driver reports for the current drawable, or -1 when
// it cannot tell.
int CurrentSwapInterval();
