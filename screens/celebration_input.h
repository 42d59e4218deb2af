// The input that ends either celebration screen. Keys and the button act
// when released, and only after their press on this screen: the drop key or
// the button held as the level is won comes up here too.
#pragma once

#include <cstdint>

// The presses seen on the screen, by the ending key's bit; bit 7 the button.
struct CelebrationPresses
{
    uint8_t down;
};

// A close request, or the release of the left button or of Escape, Enter,
// Space or numpad Enter that went down on this screen. A close request asks
// for no quit here.
bool EndsCelebration(CelebrationPresses& presses, int32_t code, const void* data);
