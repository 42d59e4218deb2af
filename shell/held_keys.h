// Which of the keys that act once per press are down, judged only from the
// program's own key events in the order the X server sent them: a key-down
// marks its key held, the key-up clears it. A key-down of a held key is a
// repeat. Events wait in a queue while the program is busy, so the keyboard
// as it is now says nothing about an old event; it may only end a hold whose
// release went to no window of the program (another program had the focus,
// or none had it), and only once no event sent before it is still waiting.
#pragma once

#include <cstdint>

const int kHeldKeyCount = 4;
// Escape, Enter, numpad Enter and Space, the toolkit's codes.
extern const int32_t kOncePerPressKeys[kHeldKeyCount];

struct HeldKeys
{
    bool held[kHeldKeyCount];
    long pressTime[kHeldKeyCount]; // the X server's milliseconds of the press
};

// The key's slot in HeldKeys, -1 for a key that repeats as usual.
int HeldKeySlot(int32_t key);
// A key-down of the slot's key, sent at `time`: true for a new press, false
// for a repeat. One press handled by two windows in turn has one time.
bool KeyGoesDown(HeldKeys& keys, int slot, long time);
void KeyGoesUp(HeldKeys& keys, int slot);
// The keyboard looked at: up[slot] when that key is up now. With an event
// still waiting that was sent before the look, a held key stays held: it may
// be a repeat from before its release.
void KeyboardLooked(HeldKeys& keys, const bool* up, bool eventsWaiting);
bool AnyKeyHeld(const HeldKeys& keys);
