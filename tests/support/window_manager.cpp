// Linked into a display test, runs openbox on the test display for the whole
// program: focus and real keys behave as on a desktop only with a window
// manager, and the game's menus are met on one.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace {

bool WindowManagerRuns(Display* display)
{
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                       &format, &count, &after, &data);
    if (data)
        XFree(data);
    return count == 1;
}

class WindowManager : public testing::Environment
{
public:
    // Starts openbox and waits up to 5 s until it has taken the screen.
    void SetUp() override
    {
        Display* display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
        if (posix_spawnp(&pid, "openbox", &actions, nullptr, argv, environ) != 0)
            pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; pid && i < 500 && !WindowManagerRuns(display); ++i)
            usleep(10000);
        bool runs = WindowManagerRuns(display);
        XCloseDisplay(display);
        ASSERT_TRUE(runs) << "openbox did not take the screen";
    }

    void TearDown() override
    {
        if (!pid)
            return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }

private:
    pid_t pid = 0;
};

testing::Environment* const g_windowManager =
    testing::AddGlobalTestEnvironment(new WindowManager);

} // namespace
