#include "screens/menu/key_names.h"

namespace {

struct KeyName
{
    int code;
    const char* name;
};

const KeyName kNamedCharacters[] = {
    {8, "Back"}, {9, "Tab"}, {13, "Enter"}, {27, "Escape"}, {32, "Space"}, {127, "Delete"},
    {300, "Windows"},
};

// One name per code from 305 up, in order.
const int kFirstSpecialCode = 305;
const char* const kSpecialNames[] = {
    "Clear", "Shift", "Alt", "Ctrl", "Menu", "Pause", "Caps Lock", "End", "Home", "Left",
    "Up", "Right", "Down", "Select", "Print Scrn", "Execute", "Snapshot", "Insert", "Help",
    "Num Pad 0", "Num Pad 1", "Num Pad 2", "Num Pad 3", "Num Pad 4", "Num Pad 5",
    "Num Pad 6", "Num Pad 7", "Num Pad 8", "Num Pad 9", "*", "+", "Separator", "-", ".", "/",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "F13", "F14",
    "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24", "Num Lock",
    "Scroll Lock", "Page Up", "Page Down", "Num Pad Space", "Num Pad Tab", "Num Pad Enter",
    "Num Pad F1", "Num Pad F2", "Num Pad F3", "Num Pad F4", "Num Pad Home", "Num Pad Left",
    "Num Pad Up", "Num Pad Right", "Num Pad Down", "Num Pad Page Up", "Num Pad Page Down",
    "Num Pad End", "Num Pad Begin", "Num Pad Insert", "Num Pad Delete", "Num Pad =",
    "Num Pad *", "Num Pad +", "Num Pad Separator", "Num Pad -", "Num Pad .", "Num Pad /",
    "Windows Left", "Windows Right", "Windows Menu", "Command",
};
const int kSpecialCount = sizeof(kSpecialNames) / sizeof(kSpecialNames[0]);
static_assert(kSpecialCount == 92, "one name for each code from 305 to 396");

} // namespace

wxString GetKeyName(int keyCode)
{
    for (const KeyName& key : kNamedCharacters)
        if (key.code == keyCode)
            return key.name;
    int special = keyCode - kFirstSpecialCode;
    if (special >= 0 && special < kSpecialCount)
        return kSpecialNames[special];
    // Control codes and codes past the character range have no glyph: a
    // stored key the game cannot name still shows as something readable.
    bool printable = (keyCode > 32 && keyCode < 127) || (keyCode > 160 && keyCode < 256);
    if (!printable)
        return wxString::Format("Key %d", keyCode);
    return wxString::Format("%c", keyCode);
}
