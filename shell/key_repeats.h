// Escape, Enter, numpad Enter and Space act once per press, in the menu or
// on the screen where they went down. A press that closes a menu or ends a
// screen is often still held when the next one comes up, and the keyboard's
// repeats of it would count there as a press of its own: while the game
// window is open, no window of the program sees those repeats. Other keys
// repeat as usual (a held arrow keeps turning a wheel).
#pragma once

// The game frame installs the filter for its lifetime; nested pairs count.
void InstallKeyRepeatFilter();
void RemoveKeyRepeatFilter();
