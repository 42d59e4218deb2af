// The game as the player walks through it after Play on the title menu:
// music, the stage selection, the level selection, the levels, and back;
// with the progress recorded as it is made.
#pragma once

// Returns when the player backs out of the stage selection, when every
// stage has been completed, or when the program has been asked to quit.
void RunGameSession();
