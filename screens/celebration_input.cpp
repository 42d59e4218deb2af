#include "screens/celebration_input.h"

#include <iterator>

#include "shell/input.h"

namespace {

const uint8_t kButtonBit = 0x80;

// The bit of a key or the button that ends the screen; 0 for other input.
uint8_t PressBit(int32_t code, const void* data)
{
    if (code == InputLeftDown || code == InputLeftUp)
        return kButtonBit;
    if ((code != InputKeyDown && code != InputKeyUp) || !data)
        return 0;
    const int32_t keys[] = {kKeyEscape, kKeyEnter, kKeySpace, kKeyPadEnter};
    int32_t key = *static_cast<const int32_t*>(data);
    for (size_t i = 0; i < std::size(keys); ++i)
        if (keys[i] == key)
            return uint8_t(1u << i);
    return 0;
}

} // namespace

bool EndsCelebration(CelebrationPresses& presses, int32_t code, const void* data)
{
    if (code == InputClose)
        return true;
    uint8_t bit = PressBit(code, data);
    if (code == InputLeftDown || code == InputKeyDown)
        presses.down |= bit;
    return (code == InputLeftUp || code == InputKeyUp) && (presses.down & bit);
}
