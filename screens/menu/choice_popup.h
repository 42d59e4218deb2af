// The list a menu choice drops down, drawn by the game in the menu's own
// text size, since the toolkit here cannot draw menu items itself. It acts
// as a menu does: it takes every key while open; Up and Down move the
// highlight (from none, Down takes the first row and Up the last, and both
// wrap), Enter chooses, Escape closes; the row under the mouse lights and a
// release on it chooses it; a click anywhere outside closes it and presses
// nothing there; the focus leaving both the popup and the menu under it
// closes it too, and then stays where it went.
#pragma once

#include <wx/gdicmn.h>

class wxFont;
class wxWindow;

// Shows the options with their top-left corner at the given point of the
// owner's client area (moved to stay on the owner's display), the marked row
// with a dot, and runs until it closes. Returns the chosen row, or -1.
int RunChoicePopup(wxWindow* owner, const wxPoint& at, const wxFont& font, int textHeight,
                   const char** texts, int count, int marked);

// The height of one row for text of the given pixel height.
int ChoicePopupRowHeight(int textHeight);

// The popup while one runs, else null; for tests.
wxWindow* ShownChoicePopup();

// True while a popup runs and has the keyboard focus itself, as it does
// where no window manager keeps the menu under it active.
bool ChoicePopupHoldsFocus();
