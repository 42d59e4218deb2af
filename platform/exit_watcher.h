// A helper process that acts for this one once it has died, however it died
// (a kill that no handler sees included).
#pragma once

// Starts the watcher; further calls do nothing. It keeps nothing of this
// process's open but the socket it waits on, and when this process has
// ended it runs `afterDeath` with this process's id in itself and ends,
// unless dismissed first.
// Its session is its own and its parent ends at once, so no signal sent to
// this process's group reaches it and it is never left a zombie.
void StartExitWatcher(void (*afterDeath)(int endedProcess));
// The watcher ends without running anything.
void DismissExitWatcher();
