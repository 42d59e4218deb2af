#include "shell/application.h"

#include "audio/sound_thread.h"
#include "screens/menu/game_menus.h"
#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/graphics.h"

void TearDownGame()
{
    if (g_graphics) {
        LeaveGameDisplayMode(g_graphics->frame);
        g_graphics->frame->Destroy();
        delete g_graphics;
        g_graphics = nullptr;
    }
    RestoreDesktopMode();
}

bool RunGameWith(void (*screens)())
{
    if (!ChooseDisplayMode())
        return true;
    StartSoundThread();
    try {
        InitGraphics();
        if (screens)
            screens();
    } catch (...) {
        // An error must not leave the desktop in the game's mode or the
        // sound thread running.
        TearDownGame();
        StopSoundThread();
        throw;
    }
    TearDownGame();
    StopSoundThread();
    return true;
}

bool RunGame()
{
    return RunGameWith(RunTitleMenu);
}
