// Putting the screen's CRTCs into new configurations.
#pragma once

#include "platform/xrandr_screen.h"

// Puts the given CRTCs into their configurations on a screen of the given
// size, as one step that no other client sees half done. A configuration
// the server cannot take as a whole (a CRTC, mode, output or rotation it
// lacks, a display outside the screen) is refused, and said so on stderr,
// before anything changes.
bool ApplyConfigs(const Displays& displays, const CrtcConfig* configs, int count,
                  const ScreenSize& screen);
