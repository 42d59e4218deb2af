// Preloaded into a program under test, notes one line each in the file
// $SKYLUME_CALLS_LOG: every grab of the X server ("grab"), and every call
// the program must not make: while a grab freezes every other client, one
// that probes the outputs, forks or waits for a child; and a fork with the
// termination signals deliverable, whose handlers would run in the child.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// Connections holding a grab; a process has few.
const int kMaxConnections = 8;
Display* g_grabbing[kMaxConnections];

// Async-signal-safe: it also runs in a child between fork and exec.
void Note(const char* what, const char* tail)
{
    const char* path = std::getenv("SKYLUME_CALLS_LOG");
    if (!path)
        return;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    (void)!write(fd, what, std::strlen(what));
    (void)!write(fd, tail, std::strlen(tail));
    close(fd);
}

bool Grabbed()
{
    for (Display* x : g_grabbing)
        if (x)
            return true;
    return false;
}

void NoteIfGrabbed(const char* what)
{
    if (Grabbed())
        Note(what, " while the server is grabbed\n");
}

void NoteIfSignalsOpen(const char* what)
{
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM})
        if (!sigismember(&mask, signal)) {
            Note(what, " with signals deliverable\n");
            return;
        }
}

Display** Slot(Display* x)
{
    for (Display*& slot : g_grabbing)
        if (slot == x)
            return &slot;
    return nullptr;
}

template <typename Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int XGrabServer(Display* x)
{
    static auto next = Next<int (*)(Display*)>("XGrabServer");
    if (!Slot(x))
        if (Display** free = Slot(nullptr))
            *free = x;
    Note("grab", "\n");
    return next(x);
}

int XUngrabServer(Display* x)
{
    static auto next = Next<int (*)(Display*)>("XUngrabServer");
    if (Display** slot = Slot(x))
        *slot = nullptr;
    return next(x);
}

XRRScreenConfiguration* XRRGetScreenInfo(Display* x, Window window)
{
    static auto next = Next<XRRScreenConfiguration* (*)(Display*, Window)>("XRRGetScreenInfo");
    NoteIfGrabbed("XRRGetScreenInfo");
    return next(x, window);
}

XRRScreenResources* XRRGetScreenResources(Display* x, Window window)
{
    static auto next = Next<XRRScreenResources* (*)(Display*, Window)>("XRRGetScreenResources");
    NoteIfGrabbed("XRRGetScreenResources");
    return next(x, window);
}

pid_t fork()
{
    static auto next = Next<pid_t (*)()>("fork");
    NoteIfGrabbed("fork");
    return next();
}

pid_t _Fork()
{
    static auto next = Next<pid_t (*)()>("_Fork");
    NoteIfGrabbed("_Fork");
    NoteIfSignalsOpen("_Fork");
    return next();
}

pid_t waitpid(pid_t child, int* status, int options)
{
    static auto next = Next<pid_t (*)(pid_t, int*, int)>("waitpid");
    if (!(options & WNOHANG))
        NoteIfGrabbed("waitpid");
    return next(child, status, options);
}

} // extern "C"
