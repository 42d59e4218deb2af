// The system cursor around the game window: hiding, relative-motion capture
// with re-centring, the once-per-frame mouse poll, and the cursor's state
// while menu dialogs are open. All need g_graphics.
#pragma once

class CTamberMenu;

// Warps the cursor to the stage centre when forced or when it has strayed
// more than a quarter of the stage from it.
void RecentreCursor(bool force);
// Remembers where the cursor is and warps it to the stage centre.
void SaveAndCentreCursor();
// Reports the mouse to the current input handler: the screen position, or
// the motion since the last poll while the mouse is captured.
void PollMouse();
// A menu dialog opens (menu not null) or the last one closes (null).
void SetActiveMenu(CTamberMenu* menu);
void BeginMouseCapture();
void EndMouseCapture();
