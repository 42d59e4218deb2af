#include "shell/application.h"

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
    try {
        InitGraphics();
        if (screens)
            screens();
    } catch (...) {
        TearDownGame();
        throw;
    }
    TearDownGame();
    return true;
}

// The title menu is not there yet: the game opens its window and closes it.
bool RunGame()
{
    return RunGameWith(nullptr);
}
