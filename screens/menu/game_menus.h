// The game's own menus: the title menu that starts play, opens the settings
// or leaves; the settings menu that stores the player's and control
// settings; and the pause menu of a level.
#pragma once

// Shows the title menu until the player leaves the game.
void RunTitleMenu();
// Shows the title menu once; returns its closing id (10001 Play, 10002
// Settings, 5006 Exit or a close, 5101 Escape).
int ShowTitleMenu();
// Edits copies of the settings; OK stores all seven and flushes the store,
// a close through the window asks the game to quit.
void ShowSettingsMenu();
// True for Continue (or Enter); false for Abort, Escape or a close, which
// also asks the game to quit.
bool ShowPauseMenu();
