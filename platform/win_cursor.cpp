#include "platform/win_cursor.h"

#include <X11/Xlib.h>

#include <wx/cursor.h>
#include <wx/gdicmn.h>
#include <wx/utils.h>

namespace {

int g_showCount = 0;

// The toolkit's own connection: a warp and the next query then travel on one
// stream and reach the server in that order.
Display* ToolkitDisplay()
{
    wxDisplayInfo info = wxGetDisplayInfo();
    return info.type == wxDisplayX11 ? static_cast<Display*>(info.dpy) : nullptr;
}

} // namespace

BOOL GetCursorPos(POINT* point)
{
    Display* x = ToolkitDisplay();
    if (!x || !point)
        return FALSE;
    Window root, child;
    int rootX, rootY, windowX, windowY;
    unsigned mask;
    if (!XQueryPointer(x, DefaultRootWindow(x), &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &mask))
        return FALSE;
    point->x = rootX;
    point->y = rootY;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    Display* display = ToolkitDisplay();
    if (!display)
        return FALSE;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XFlush(display);
    return TRUE;
}

int ShowCursor(BOOL show)
{
    g_showCount += show ? 1 : -1;
    // The toolkit puts a global cursor on every window of the program.
    if (!show && g_showCount == -1)
        wxSetCursor(wxCursor(wxCURSOR_BLANK));
    else if (show && g_showCount == 0)
        wxSetCursor(wxNullCursor);
    return g_showCount;
}
