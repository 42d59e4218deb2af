#pragma once

#include <wx/string.h>

// The display name of a toolkit key code: "Left", "Num Pad Enter", "Space";
// a printable character code shows as that character, any other as "Key N".
wxString GetKeyName(int keyCode);
