// How long a loss of the keyboard focus must last before the program takes
// it for the player having left, shared by the application and the menus'
// choice popup.
#pragma once

// Focus moving between two of the program's windows passes through moments
// where none has it (a closing dialog hands it back through the window
// manager, a popup takes it without one): only a loss that lasts this long
// counts.
constexpr int kFocusSettleMs = 200;
// A loss that begins as one of the game's menus closes is the window manager
// handing the focus back to the game window, which a loaded one may take
// its time over: it counts only once it lasts this long.
constexpr int kMenuCloseSettleMs = 1000;
