// The screen that plays one level: the world built from the session, run in
// the shared screen loop until it is won, lost or aborted.
#pragma once

#include <cstdint>

struct CBubbleWorld;
struct PlaySession;

// True when the level was won. Sets the session's levelTime, the whole
// seconds played, in every case.
bool RunLevel(PlaySession* session);

// What a level and the tutorial do alike with input: the captured mouse
// and the turn keys turn the dropper, a click or the drop key drops. Keys
// match the key-down codes the settings store, letters in either case.
void OnDropperInput(CBubbleWorld& world, int32_t code, void* data);

// Input the player gave before a menu or another program took the keyboard:
// the releases went elsewhere, so held keys would act for ever.
void DropHeldInput(CBubbleWorld& world);
