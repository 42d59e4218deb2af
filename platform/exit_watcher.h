// A helper process that acts for this one once it has died, however it died
// (a kill that no handler sees included).
//
// It is this program's own executable started afresh under the name
// "skylume-watch": it shares no memory, thread, lock or open file with the
// game, only a socket on which the game hands it a note of what to do. Its
// session is its own and its parent ends at once, so no signal sent to the
// game's group reaches it and it is never left a zombie.
#pragma once

enum
{
    MaxWatcherNote = 8192,
};

// Starts the watcher; further calls do nothing while it lives, and replace
// it, handing over the last note, once it has died. It forks: never call it
// with the X server grabbed. False when none could be started.
bool StartExitWatcher();
// Our end of the watcher's socket, -1 when there is none: it turns readable
// once the watcher has died.
int ExitWatcherSocket();
// Replaces the note the watcher keeps; an empty one leaves it nothing to do.
void TellExitWatcher(const char* note);
// The last note handed over leaves the watcher something to do.
bool ExitWatcherHasNote();
// The watcher ends without doing anything.
void DismissExitWatcher();

// In the watcher: true when this process was started as one.
bool IsExitWatcher(int argc, char** argv);
// Waits for the game to end, runs `afterDeath` with the last note it handed
// over unless it dismissed the watcher first, and ends the process.
[[noreturn]] void WatchForExit(void (*afterDeath)(const char* note));
