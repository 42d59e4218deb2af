// The input that ends either celebration screen. Keys act when released,
// so a key still held from the level cannot end the screen at once.
#pragma once

#include <cstdint>

// A close request, the left button going up, or Escape, Enter, Space or
// numpad Enter going up. A close request asks for no quit here.
bool EndsCelebration(int32_t code, const void* data);
