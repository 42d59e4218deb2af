#include "screens/celebration_input.h"

#include "shell/input.h"

bool EndsCelebration(int32_t code, const void* data)
{
    if (code == InputClose || code == InputLeftUp)
        return true;
    if (code != InputKeyUp || !data)
        return false;
    int32_t key = *static_cast<const int32_t*>(data);
    return key == kKeyEscape || key == kKeyEnter || key == kKeySpace || key == kKeyPadEnter;
}
