#include "foundation/keyboard_focus.h"

#include <cstdio>

#include <X11/Xlib.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace {

// Every window manager after the conventions of X owns the selection
// WM_S<screen> of the screen it manages.
bool WindowManagerRuns()
{
    wxDisplayInfo info = wxGetDisplayInfo();
    if (info.type != wxDisplayX11 || !info.dpy)
        return true; // not X: the system hands the keyboard over
    auto* display = static_cast<Display*>(info.dpy);
    char name[24];
    std::snprintf(name, sizeof name, "WM_S%d", DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, name, False)) != None;
}

} // namespace

void TakeKeyboard(wxTopLevelWindow* window, wxWindow* focus)
{
    if (WindowManagerRuns())
        return;
    // Without a window manager the toolkit gives the focus's window, or a
    // raised one, the keyboard.
    if (focus)
        focus->SetFocus();
    else if (!window->IsActive())
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
