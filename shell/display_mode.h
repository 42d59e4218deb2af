// The display and video mode the game runs in: chosen once per run, entered
// behind a fading black curtain, and left again on deactivation and exit.
// The desktop's mode is put back whenever the game leaves, also when it ends
// by an uncaught error or a termination signal.
#pragma once

#include <cstdint>

#include "platform/display_modes.h"

class wxFrame;
class wxWindow;

extern int g_displayIndex;
extern bool g_displayChosen;
extern VideoMode g_gameMode;          // refresh rate always 0
extern VideoMode g_desktopMode;       // the desktop's, as of the last entry into the game mode
extern bool g_gameModeEntered;        // game mode entered and the window shown
extern bool g_desktopModeChanged;     // the game switched the mode and has not switched back
extern wxFrame* g_curtain;

// The smallest mode the game can be played in.
bool IsUsableMode(const VideoMode& mode);

// Settles the display and mode: the stored choice while its display keeps
// its geometry and offers the mode, else the current mode of a single
// display, else the user's choice in the display dialog (always with Ctrl
// held). False when the user cancels the dialog.
bool ChooseDisplayMode();
// Switches into the game mode behind the curtain and lays the window over
// the display. Always true.
bool EnterGameDisplayMode(wxFrame* frame, wxWindow* stage);
// Puts the desktop mode back and hides the frame (may be null). Always true.
bool LeaveGameDisplayMode(wxFrame* frame);
// Builds the curtain and fades the screen to black; it stays until entered.
void FadeCurtain();
// The curtain's brightness 0..254 with the given milliseconds of fading left.
int CurtainLevel(int64_t remaining);
// Puts the desktop mode back if the game changed it; for the exit paths.
void RestoreDesktopMode();
