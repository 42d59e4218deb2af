#include "platform/exit_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char kWatcherName[] = "skylume-watch";
const int kWatchedSocket = 3;
const char kNote = 'n';
const char kDismissed = 'd';

int g_watcher = -1;  // our end of the watcher's socket
// The last note handed over, for a watcher that replaces one that died.
char g_note[MaxWatcherNote + 1];

// The socket becomes descriptor 3, the standard ones /dev/null, and nothing
// else stays open: not the X connection, nor files, nor anyone's pipes.
// Async-signal-safe: it runs between fork and exec.
bool KeepOnly(int socket, int fileLimit)
{
    // Without it, descriptor 3 could be anything of the game's, its X
    // connection even, kept open for as long as the watcher lives.
    int watched = fcntl(socket, F_DUPFD, kWatchedSocket);
    if (watched < 0)
        return false;
    int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        dup2(null, fd);
    if (watched != kWatchedSocket)
        dup2(watched, kWatchedSocket);
    if (close_range(kWatchedSocket + 1, ~0U, 0) != 0)
        for (int fd = kWatchedSocket + 1; fd < fileLimit; ++fd)
            close(fd);
    return true;
}

int FileLimit()
{
    rlimit limit;
    return getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur)
                                                                           : 65536;
}

// The watcher never writes: a readable socket is its end closed.
bool WatcherDied()
{
    pollfd socket{g_watcher, POLLIN, 0};
    return poll(&socket, 1, 0) > 0;
}

void Send(char kind, const char* note)
{
    char message[1 + MaxWatcherNote];
    size_t length = strnlen(note, MaxWatcherNote);
    message[0] = kind;
    std::memcpy(message + 1, note, length);
    send(g_watcher, message, 1 + length, MSG_NOSIGNAL | MSG_DONTWAIT);
}

// The watcher's process, with our end of its socket in g_watcher.
bool Spawn()
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // The game has threads: a lock one of them holds at the fork stays held
    // in the child for ever. Everything is made ready here, and the children
    // make only async-signal-safe calls until the exec. No handler of the
    // game's may run in them: every signal stays blocked until the watcher's
    // own defaults are in place after the exec.
    char* argv[] = {const_cast<char*>(kWatcherName), nullptr};
    int fileLimit = FileLimit();
    sigset_t all, game;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &game);
    pid_t between = _Fork();
    if (between == 0) {
        setsid();
        if (_Fork() == 0 && KeepOnly(ends[0], fileLimit))
            execve("/proc/self/exe", argv, environ);
        _exit(0);
    }
    pthread_sigmask(SIG_SETMASK, &game, nullptr);
    close(ends[0]);
    if (between < 0) {
        close(ends[1]);
        return false;
    }
    while (waitpid(between, nullptr, 0) < 0 && errno == EINTR) {
    }
    g_watcher = ends[1];
    return true;
}

} // namespace

bool StartExitWatcher()
{
    if (g_watcher >= 0 && !WatcherDied())
        return true;
    if (g_watcher >= 0)
        close(g_watcher);
    g_watcher = -1;
    if (!Spawn())
        return false;
    if (g_note[0])
        Send(kNote, g_note);
    return true;
}

int ExitWatcherSocket()
{
    return g_watcher;
}

bool ExitWatcherHasNote()
{
    return g_note[0] != 0;
}

void TellExitWatcher(const char* note)
{
    std::snprintf(g_note, sizeof g_note, "%s", note);
    if (g_watcher >= 0)
        Send(kNote, g_note);
}

void DismissExitWatcher()
{
    g_note[0] = 0;
    if (g_watcher < 0)
        return;
    send(g_watcher, &kDismissed, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    close(g_watcher);
    g_watcher = -1;
}

bool IsExitWatcher(int argc, char** argv)
{
    struct stat socket;
    return argc == 1 && std::strcmp(argv[0], kWatcherName) == 0
        && fstat(kWatchedSocket, &socket) == 0 && S_ISSOCK(socket.st_mode);
}

void WatchForExit(void (*afterDeath)(const char* note))
{
    prctl(PR_SET_NAME, kWatcherName);
    // Ignored signals outlive the exec; the watcher ignores none.
    for (int signal = 1; signal < NSIG; ++signal)
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Holding no folder, it keeps none from being unmounted.
    if (chdir("/") != 0)
        _exit(1);
    static char note[MaxWatcherNote + 1];
    static char message[MaxWatcherNote + 2];
    for (;;) {
        ssize_t got = recv(kWatchedSocket, message, sizeof message - 1, 0);
        if (got < 0 && errno == EINTR)
            continue;
        // The kernel closes the game's end however it dies.
        if (got == 0 && note[0])
            afterDeath(note);
        // A dismissal, or anything else, ends the watch.
        if (got <= 0 || message[0] != kNote)
            break;
        std::memcpy(note, message + 1, got - 1);
        note[got - 1] = 0;
    }
    _exit(0);
}
