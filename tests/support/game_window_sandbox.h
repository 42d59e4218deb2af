// The game window for tests of what runs on it: the graphics record with its
// frame and stage laid over the test screen, without a display mode switch
// or its curtain. Needs the shell library.
#pragma once

#include <cstring>

#include <wx/app.h>

#include "platform/win_cursor.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "tests/support/gui_test_support.h"

class GameWindowSandbox
{
public:
    explicit GameWindowSandbox(int width = 1280, int height = 720)
    {
        auto* g = new CGameGraphics;
        std::memset(g, 0, sizeof *g);
        g_graphics = g;
        g->active = 1;
        g->frame = new CGameFrame;
        g->stage = new CGameStage(g->frame);
        g->frame->SetSize(0, 0, width, height);
        g->frame->Show();
        g->stage->SetFocus();
        // A loaded machine's window manager may map the frame late, and a
        // menu shown before then loses the focus to it.
        PumpUntil([g] { return g->frame->IsActive(); }, 5000);
        PumpEvents(100);
        wxPoint origin = g->stage->ClientToScreen(wxPoint(0, 0));
        g->stageX = origin.x;
        g->stageY = origin.y;
        g->width = width;
        g->height = height;
    }

    ~GameWindowSandbox()
    {
        g_graphics->frame->Destroy();
        delete g_graphics;
        g_graphics = nullptr;
        PumpEvents(20);
    }

    GameWindowSandbox(const GameWindowSandbox&) = delete;
    GameWindowSandbox& operator=(const GameWindowSandbox&) = delete;
};

// The system cursor's show count: below 0 while it is hidden.
inline int CursorShowCount()
{
    int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

inline POINT CursorPosition()
{
    POINT p{-1, -1};
    GetCursorPos(&p);
    return p;
}
