#include "shell/mouse.h"

#include <cstdlib>

#include "platform/win_cursor.h"
#include "shell/game_window.h"
#include "shell/graphics.h"

namespace {

void StageCentre(int32_t* x, int32_t* y)
{
    *x = g_graphics->stageX + g_graphics->width / 2;
    *y = g_graphics->stageY + g_graphics->height / 2;
}

} // namespace

void RecentreCursor(bool force)
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    int32_t cx, cy;
    StageCentre(&cx, &cy);
    if (!force && std::abs(g->lastCursorX - cx) <= g->width / 4
        && std::abs(g->lastCursorY - cy) <= g->height / 4)
        return;
    g->lastCursorX = cx;
    g->lastCursorY = cy;
    SetCursorPos(cx, cy);
}

void SaveAndCentreCursor()
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    POINT p{0, 0};
    GetCursorPos(&p);
    g->savedCursorX = p.x;
    g->savedCursorY = p.y;
    RecentreCursor(true);
}

void PollMouse()
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    POINT p{0, 0};
    GetCursorPos(&p);
    if (g->captureCount > 0 && g->menuCount == 0) {
        InputDelta delta{double(p.x - g->lastCursorX), double(p.y - g->lastCursorY)};
        SendInput(InputMouseDelta, &delta);
        g->lastCursorX = p.x;
        g->lastCursorY = p.y;
        RecentreCursor(false);
        return;
    }
    InputPoint point{p.x, p.y};
    SendInput(InputMousePos, &point);
}

void SetActiveMenu(CTamberMenu* menu)
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    if (menu) {
        g->activeMenu = menu;
        g->stage->Refresh(true);
        if (g->captureCount > 0 && g->menuCount == 0)
            SetCursorPos(g->savedCursorX, g->savedCursorY);
        if (g->hideCount > 0 && g->menuCount == 0)
            ShowCursor(TRUE);
        g->menuCount += 1;
        return;
    }
    g->menuCount -= 1;
    g->menuClosedAt = FrameClockNow();
    if (g->hideCount > 0 && g->menuCount == 0)
        ShowCursor(FALSE);
    if (g->captureCount > 0 && g->menuCount == 0)
        SaveAndCentreCursor();
    g->stage->Refresh(true);
    g->activeMenu = nullptr;
}

void BeginMouseCapture()
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    if (g->captureCount == 0 && g->menuCount == 0) {
        if (g->hideCount == 0)
            ShowCursor(FALSE);
        g->hideCount += 1;
        SaveAndCentreCursor();
    }
    g->captureCount += 1;
}

void EndMouseCapture()
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    g->captureCount -= 1;
    if (g->captureCount == 0 && g->menuCount == 0) {
        SetCursorPos(g->savedCursorX, g->savedCursorY);
        // A capture begun under a menu added no hide request to take back.
        if (g->hideCount > 0 && --g->hideCount == 0)
            ShowCursor(TRUE);
    }
}
