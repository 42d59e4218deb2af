#include "shell/held_keys.h"

#include "shell/input.h"

const int32_t kOncePerPressKeys[kHeldKeyCount] = {kKeyEscape, kKeyEnter, kKeyPadEnter, kKeySpace};

int HeldKeySlot(int32_t key)
{
    for (int slot = 0; slot < kHeldKeyCount; ++slot)
        if (kOncePerPressKeys[slot] == key)
            return slot;
    return -1;
}

bool KeyGoesDown(HeldKeys& keys, int slot, long time)
{
    if (keys.held[slot] && keys.pressTime[slot] != time)
        return false;
    keys.held[slot] = true;
    keys.pressTime[slot] = time;
    return true;
}

void KeyGoesUp(HeldKeys& keys, int slot)
{
    keys.held[slot] = false;
}

void KeyboardLooked(HeldKeys& keys, const bool* up, bool eventsWaiting)
{
    if (eventsWaiting)
        return;
    for (int slot = 0; slot < kHeldKeyCount; ++slot)
        if (up[slot])
            keys.held[slot] = false;
}

bool AnyKeyHeld(const HeldKeys& keys)
{
    for (bool held : keys.held)
        if (held)
            return true;
    return false;
}
