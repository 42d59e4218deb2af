#include "shell/graphics.h"

#include <cstring>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/dialog.h>

#include "audio/sound_thread.h"
#include "platform/win_cursor.h"
#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/vertical_sync.h"

CGameGraphics* g_graphics = nullptr;
std::list<InputHandler> g_inputHandlers;

namespace {

// The state every drawing routine relies on: no depth or stencil, blending
// with straight alpha, textures on, and one unit per pixel with the origin at
// the stage's bottom-left corner and y upward.
void SetGameGLState(int width, int height)
{
    glDisable(GL_DITHER);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3i(0, 0, 0);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SyncInputCallback()
{
    CGameGraphics* g = g_graphics;
    if (!g)
        return;
    if (g_inputHandlers.empty()) {
        g->inputCallback = nullptr;
        g->inputContext = nullptr;
        return;
    }
    g->inputCallback = g_inputHandlers.back().callback;
    g->inputContext = g_inputHandlers.back().context;
}

// The innermost modal dialog over the game (an open menu), if any.
wxDialog* OpenModalDialog()
{
    wxDialog* open = nullptr;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal())
            open = dialog;
    }
    return open;
}

} // namespace

void InitGraphics()
{
    if (g_graphics)
        return;
    auto* g = new CGameGraphics;
    std::memset(g, 0, sizeof *g);
    g_graphics = g;
    g->active = 1;
    SyncInputCallback();
    g->frame = new CGameFrame;
    g->stage = new CGameStage(g->frame);
    // No cursor over the curtain and the mode switch.
    if (g->hideCount == 0 && g->menuCount == 0)
        ShowCursor(FALSE);
    g->hideCount += 1;
    EnterGameDisplayMode(g->frame, g->stage);
    g->hideCount -= 1;
    if (g->hideCount == 0 && g->menuCount == 0)
        ShowCursor(TRUE);
    g->stage->SetFocus();
    wxYield();
    wxPoint origin = g->stage->ClientToScreen(wxPoint(0, 0));
    wxSize size = g->stage->GetSize();
    g->stageX = origin.x;
    g->stageY = origin.y;
    g->width = size.x;
    g->height = size.y;
    g->stage->MakeCurrent();
    SetGameGLState(g->width, g->height);
    // A real display shows one frame per refresh; more are drawn for nothing.
    RequestVerticalSync();
    g->active = 1;
}

void SetGameActive(bool active)
{
    CGameGraphics* g = g_graphics;
    if (!g || bool(g->active) == active)
        return;
    if (active) {
        PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
        EnterGameDisplayMode(g->frame, g->stage);
        // The curtain's context was current: pictures that the next screen
        // loads before its first frame must go to the stage's.
        g->stage->MakeCurrent();
        // An open menu comes back on top of the frame and keeps the keys.
        if (wxDialog* menu = OpenModalDialog())
            menu->Raise();
        else
            g->stage->SetFocus();
        g->active = 1;
        return;
    }
    // Minimised in place, not hidden first: a hidden frame leaves the window
    // manager's care, and an open menu would stay behind on the desktop and
    // come back under the frame. The player returns through the taskbar.
    LeaveGameDisplayMode(nullptr);
    g->frame->Iconize(true);
    PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    g->active = 0;
}

void PushInputHandler(InputCallback callback, void* context)
{
    g_inputHandlers.push_back(InputHandler{callback, context});
    SyncInputCallback();
}

void PopInputHandler()
{
    if (!g_inputHandlers.empty())
        g_inputHandlers.pop_back();
    SyncInputCallback();
}

void PresentFrame()
{
    if (!g_graphics)
        return;
    g_graphics->stage->SwapBuffers();
    AdvanceFrameClock(g_graphics, FrameClockNow());
}

bool IsQuitRequested()
{
    return g_graphics && g_graphics->quitRequested;
}
