// The watcher of this game's display modes: a process of its own that puts
// the desktop back should the game die while its mode is shown, however it
// dies. One that dies itself is replaced: at once while the game's event
// loop runs and it had something to put back, else at the next switch.
#pragma once

#include "platform/desktop_mode_record.h"

// Starts the watcher, or replaces one that has died. It forks: never call it
// with the X server grabbed.
void StartModeWatcher();
// Hands the watcher what this game has switched, as it put it on record; a
// record of no displays leaves it nothing to do.
void TellModeWatcher(const DesktopRecord& own);
