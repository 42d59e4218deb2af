#include "foundation/keyboard_focus.h"

#include <wx/toplevel.h>

void TakeKeyboard(wxTopLevelWindow* window)
{
    // Raising asks the window manager, where there is one, to activate the
    // window; where there is none the toolkit gives it the input focus.
    if (!window->IsActive())
        window->Raise();
}

void TakeKeyboardWhenShown(wxTopLevelWindow* window)
{
    window->Bind(wxEVT_SHOW, [window](wxShowEvent& event) {
        if (event.IsShown())
            TakeKeyboard(window);
        event.Skip();
    });
}
