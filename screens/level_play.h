// The screen that plays one level: the world built from the session, run in
// the shared screen loop until it is won, lost or aborted.
#pragma once

#include <cstdint>

struct PlaySession;

// True when the level was won. Sets the session's levelTime, the whole
// seconds played, in every case.
bool RunLevel(PlaySession* session);

// Whether a typed character is the configured drop key; a letter matches
// typed in either case.
bool IsDropKey(int32_t character);
