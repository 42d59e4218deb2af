#include "screens/celebration_input.h"

#include "shell/input.h"

namespace {

const int32_t kEscape = 27;
const int32_t kEnter = 13;
const int32_t kSpace = 32;
const int32_t kNumpadEnter = 370;

} // namespace

bool EndsCelebration(int32_t code, const void* data)
{
    if (code == InputClose || code == InputLeftUp)
        return true;
    if (code != InputKeyUp || !data)
        return false;
    int32_t key = *static_cast<const int32_t*>(data);
    return key == kEscape || key == kEnter || key == kSpace || key == kNumpadEnter;
}
