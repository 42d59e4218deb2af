// What the probe programs share: they run the game's real start-up with a
// screen of their own in place of the title menu, and report what they see
// on stdout, one line per fact, for scripts that drive them with xdotool.
#pragma once

// Prints one line and flushes it at once.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Runs the toolkit with the game's application object, whose start runs the
// game routine around `screens` and then `afterwards` (may be null); the
// program ends once the game's window is gone. Returns the exit status.
int RunProbeProgram(int argc, char** argv, void (*screens)(), void (*afterwards)() = nullptr);
