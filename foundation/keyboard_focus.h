// Without a window manager nothing hands a newly shown window the keyboard:
// the keys go on to the window that had it, or to whatever lies under the
// pointer, and a window of ours that wants them asks for them itself. Where
// a window manager runs, handing the keyboard over is left to it: the player
// may have switched to another program just before the window came up.
#pragma once

class wxTopLevelWindow;
class wxWindow;

// Where no window manager runs, makes the window, which must be on screen,
// the one with the keyboard, unless it has it already; with `focus`, one of
// its children, by giving that child the focus.
void TakeKeyboard(wxTopLevelWindow* window, wxWindow* focus = nullptr);

// Has the window take the keyboard each time it comes on screen.
void TakeKeyboardWhenShown(wxTopLevelWindow* window);
