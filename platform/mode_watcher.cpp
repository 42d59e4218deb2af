#include "platform/mode_watcher.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>

#include <cstdlib>
#include <cstring>

#include "platform/exit_watcher.h"

namespace {

// The event loop's watch on the watcher's socket.
wxEventLoopSource* g_watch = nullptr;

void StopWatching()
{
    delete g_watch;
    g_watch = nullptr;
}

// Once the watcher's socket turns readable, it has died.
struct WatcherDeath : wxEventLoopSourceHandler
{
    void OnReadWaiting() override { Replace(); }
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override { Replace(); }

    // With nothing to put back, at the next switch.
    static void Replace()
    {
        StopWatching();
        if (ExitWatcherHasNote())
            StartModeWatcher();
    }
} g_watcherDeath;

// Only where the toolkit runs an event loop.
void Watch()
{
    int socket = ExitWatcherSocket();
    if (socket >= 0 && wxTheApp)
        g_watch = wxEventLoopBase::AddSourceForFD(socket, &g_watcherDeath,
                                                  wxEVENT_SOURCE_INPUT | wxEVENT_SOURCE_EXCEPTION);
}

// A clean end with every display back: the watcher has nothing to do.
void DismissIfNothingShown()
{
    if (!ExitWatcherHasNote())
        DismissExitWatcher();
}

// In the watcher, once the game has died, on a connection of its own.
void RepairAfterDeath(const char* note)
{
    DesktopRecord handed;
    if (!ParseDesktopRecord(note, &handed) || !XConnection(handed.display) || !CanSwitchModes())
        return;
    ServerGrab grab;
    DesktopRecord onRecord;
    if (!ReadDesktopRecord(&onRecord)) {
        PutBackRecorded(handed);
        return;
    }
    // Another game's mode is shown now: that game puts the desktop back.
    if (std::strcmp(onRecord.owner, handed.owner) != 0)
        return;
    // What could not be put back stays on record, for the next start.
    if (PutBackRecorded(onRecord))
        RemoveDesktopRecord();
}

// Started as the watcher, the program watches and never gets to its main.
__attribute__((constructor(101))) void WatchIfStartedAsWatcher(int argc, char** argv, char**)
{
    if (IsExitWatcher(argc, argv))
        WatchForExit(RepairAfterDeath);
}

} // namespace

void StartModeWatcher()
{
    static bool dismissAtExit = false;
    if (!dismissAtExit) {
        dismissAtExit = true;
        std::atexit(DismissIfNothingShown);
    }
    // The socket it watches may close here.
    StopWatching();
    if (StartExitWatcher())
        Watch();
}

void TellModeWatcher(const DesktopRecord& own)
{
    char text[MaxRecordBytes] = "";
    if (own.count > 0 && FormatDesktopRecord(own, text, sizeof text) < 0)
        return;
    TellExitWatcher(text);
}
