#include "shell/key_repeats.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

namespace {

int g_installs = 0; // a frame being destroyed may still be there when the next one comes
int g_inputOpcode = -1;

bool ActsOncePerPress(Display* display, int keycode)
{
    KeySym key = XkbKeycodeToKeysym(display, keycode, 0, 0);
    return key == XK_Escape || key == XK_Return || key == XK_KP_Enter || key == XK_space;
}

// The X server marks each repeat it makes of a held key, and the toolkit
// reads the keyboard through XInput 2, whose events keep the mark (its own
// key events lose it). Judged from the event itself, a repeat read late,
// after the key came up, is still a repeat, and a new press is a press even
// when the last release went to another program. A repeat taken out here
// reaches no window, so it makes no character either.
GdkFilterReturn DropRepeats(GdkXEvent* native, GdkEvent*, gpointer)
{
    auto* event = static_cast<XEvent*>(native);
    if (event->type != GenericEvent || event->xcookie.extension != g_inputOpcode
        || event->xcookie.evtype != XI_KeyPress || !event->xcookie.data)
        return GDK_FILTER_CONTINUE;
    auto* key = static_cast<XIDeviceEvent*>(event->xcookie.data);
    if ((key->flags & XIKeyRepeat) && ActsOncePerPress(key->display, key->detail))
        return GDK_FILTER_REMOVE;
    return GDK_FILTER_CONTINUE;
}

} // namespace

void InstallKeyRepeatFilter()
{
    if (g_installs++ > 0)
        return;
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return;
    int event = 0, error = 0;
    if (!XQueryExtension(GDK_DISPLAY_XDISPLAY(display), "XInputExtension", &g_inputOpcode, &event,
                         &error))
        return;
    gdk_window_add_filter(nullptr, DropRepeats, nullptr);
}

void RemoveKeyRepeatFilter()
{
    if (--g_installs > 0)
        return;
    gdk_window_remove_filter(nullptr, DropRepeats, nullptr);
}
