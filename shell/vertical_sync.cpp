#include "shell/vertical_sync.h"

#include <cstring>

#include <GL/glx.h>

namespace {

// Whole names only: "GLX_EXT_swap_control_tear" is not "GLX_EXT_swap_control".
bool HasExtension(const char* list, const char* name)
{
    size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length) {
        bool starts = at == list || at[-1] == ' ';
        bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

const char* Extensions(Display* display)
{
    return glXQueryExtensionsString(display, DefaultScreen(display));
}

template <typename Function>
Function Lookup(const char* name)
{
    return reinterpret_cast<Function>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

} // namespace

VerticalSync RequestVerticalSync()
{
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return kNoSwapControl;
    const char* extensions = Extensions(display);
    if (HasExtension(extensions, "GLX_EXT_swap_control")) {
        auto swapInterval = Lookup<PFNGLXSWAPINTERVALEXTPROC>("glXSwapIntervalEXT");
        if (swapInterval) {
            swapInterval(display, drawable, 1);
            return kExtSwapControl;
        }
    }
    if (HasExtension(extensions, "GLX_MESA_swap_control")) {
        auto swapInterval = Lookup<PFNGLXSWAPINTERVALMESAPROC>("glXSwapIntervalMESA");
        if (swapInterval && swapInterval(1) == 0)
            return kMesaSwapControl;
    }
    return kNoSwapControl;
}

int CurrentSwapInterval()
{
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return -1;
    const char* extensions = Extensions(display);
    if (HasExtension(extensions, "GLX_EXT_swap_control")) {
        unsigned int interval = 0;
        glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &interval);
        return int(interval);
    }
    if (HasExtension(extensions, "GLX_MESA_swap_control")) {
        auto getInterval = Lookup<PFNGLXGETSWAPINTERVALMESAPROC>("glXGetSwapIntervalMESA");
        if (getInterval)
            return getInterval();
    }
    return -1;
}
