#pragma once

#include <wx/string.h>

// The display name of a toolkit key code: "Left", "Num Pad Enter", "Space";
// a plain character code shows as that character.
wxString GetKeyName(int keyCode);
