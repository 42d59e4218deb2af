#include "platform/exit_watcher.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

const char kDismissed = 'd';

int g_watcher = -1;  // our end of the watcher's socket

void CloseFilesFrom(int first)
{
    if (close_range(first, ~0U, 0) == 0)
        return;
    rlimit limit;
    int last = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536
        ? int(limit.rlim_cur)
        : 65536;
    for (int fd = first; fd < last; ++fd)
        close(fd);
}

// The socket becomes descriptor 3, the standard ones /dev/null, and nothing
// else stays open: not the X connection, nor files, nor anyone's pipes.
void KeepOnly(int socket)
{
    int watched = fcntl(socket, F_DUPFD, 3);
    int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        dup2(null, fd);
    if (watched != 3)
        dup2(watched, 3);
    CloseFilesFrom(4);
}

[[noreturn]] void Watch(int socket, void (*afterDeath)(int), pid_t watched)
{
    prctl(PR_SET_NAME, "skylume-watch");
    KeepOnly(socket);
    // The handlers inherited would act for a program that is not here.
    for (int signal = 1; signal < NSIG; ++signal)
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // The end of the stream is the end of the process: the kernel closes
    // its end however it dies. A dismissal, or anything else, ends the watch.
    char message = 0;
    ssize_t got;
    do
        got = read(3, &message, 1);
    while (got < 0 && errno == EINTR);
    if (got == 0)
        afterDeath(watched);
    _exit(0);
}

} // namespace

void StartExitWatcher(void (*afterDeath)(int))
{
    if (g_watcher >= 0)
        return;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    pid_t self = getpid();
    pid_t between = fork();
    if (between == 0) {
        // The watcher's parent ends at once and leaves it to init.
        setsid();
        if (fork() == 0)
            Watch(ends[0], afterDeath, self);
        _exit(0);
    }
    close(ends[0]);
    if (between < 0) {
        close(ends[1]);
        return;
    }
    while (waitpid(between, nullptr, 0) < 0 && errno == EINTR) {
    }
    g_watcher = ends[1];
}

void DismissExitWatcher()
{
    if (g_watcher < 0)
        return;
    send(g_watcher, &kDismissed, 1, MSG_NOSIGNAL);
    close(g_watcher);
    g_watcher = -1;
}
