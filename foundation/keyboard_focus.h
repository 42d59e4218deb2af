// Without a window manager nothing hands a newly shown window the keyboard:
// the keys go on to the window that had it, or to whatever lies under the
// pointer. A window of ours that wants the keys asks for them itself.
#pragma once

class wxTopLevelWindow;

// Makes the window, which must be on screen, the one with the keyboard,
// unless it has it already.
void TakeKeyboard(wxTopLevelWindow* window);

// Has the window take the keyboard each time it comes on screen.
void TakeKeyboardWhenShown(wxTopLevelWindow* window);
