// Runs the game's real start-up (settings, terms, display choice, window)
// with a minimal screen loop in place of the menus, and reports what it sees
// on stdout, one line per fact, for scripts that drive it with xdotool.
//   game_probe            the game with the probe screen
//   game_probe --other    a plain window that takes the focus away
// Keys on the stage (acting on release): c begins mouse capture, e ends it,
// k reports whether the cursor is blank, x throws an uncaught error, Escape
// ends the screen. A close request ends it too.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/utils.h>

#include "platform/display_modes.h"
#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/mouse.h"
#include "shell/textures.h"
#include "tests/support/probe_program.h"

namespace {

const int kLongestRunMs = 120000;

bool CursorIsBlank()
{
    Display* x = static_cast<Display*>(wxGetDisplay());
    XFixesCursorImage* image = XFixesGetCursorImage(x);
    if (!image)
        return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height; ++i)
        if (image->pixels[i] & 0xFF000000ul)
            blank = false;
    XFree(image);
    return blank;
}

void ReportMode(const char* what)
{
    VideoMode mode;
    GetCurrentVideoMode(g_displayIndex, &mode);
    Report("%s %dx%d", what, mode.width, mode.height);
}

// The GL state every screen relies on; names each setting that is off.
void ReportGLState()
{
    char wrong[256] = "";
    GLenum off[] = {GL_DITHER, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_FOG, GL_DEPTH_TEST};
    for (GLenum setting : off)
        if (glIsEnabled(setting))
            std::snprintf(wrong + std::strlen(wrong), 32, " enabled:%#x", setting);
    if (!glIsEnabled(GL_BLEND) || !glIsEnabled(GL_TEXTURE_2D))
        std::strcat(wrong, " blend-or-texture-off");
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    int w = g_graphics->width, h = g_graphics->height;
    if (viewport[0] != 0 || viewport[1] != 0 || viewport[2] != w || viewport[3] != h)
        std::strcat(wrong, " viewport");
    if (projection[0] * w < 1.99f || projection[0] * w > 2.01f || projection[5] * h < 1.99f
        || projection[5] * h > 2.01f || projection[12] != -1 || projection[13] != -1)
        std::strcat(wrong, " projection");
    Report("gl %s", wrong[0] ? wrong : "ok");
}

struct Probe
{
    bool quit = false;
    bool fail = false;
    InputPoint lastPos{-1, -1};
};

void OnProbeKey(Probe* probe, int key)
{
    switch (key) {
    case 'C': BeginMouseCapture(); Report("capture %d", g_graphics->captureCount); break;
    case 'E': EndMouseCapture(); Report("capture %d", g_graphics->captureCount); break;
    case 'K': Report("cursor blank=%d", CursorIsBlank()); break;
    case 'X': probe->fail = true; break;
    case WXK_ESCAPE: probe->quit = true; break;
    default: break;
    }
}

void ProbeInput(void* context, int32_t code, void* data)
{
    auto* probe = static_cast<Probe*>(context);
    switch (code) {
    case InputClose:
        Report("input close");
        probe->quit = true;
        break;
    case InputLeftDown:
    case InputLeftUp: {
        auto* p = static_cast<InputPoint*>(data);
        Report("input %#x %d %d", code, p->x, p->y);
        break;
    }
    case InputMousePos: {
        auto* p = static_cast<InputPoint*>(data);
        if (p->x != probe->lastPos.x || p->y != probe->lastPos.y)
            Report("pos %d %d", p->x, p->y);
        probe->lastPos = *p;
        break;
    }
    case InputMouseDelta: {
        auto* d = static_cast<InputDelta*>(data);
        if (d->dx != 0 || d->dy != 0)
            Report("delta %g %g", d->dx, d->dy);
        break;
    }
    default: {
        int key = *static_cast<int32_t*>(data);
        Report("input %#x %d", code, key);
        if (code == InputKeyUp)
            OnProbeKey(probe, key);
    }
    }
}

void ReportActivation(bool active)
{
    VideoMode mode;
    GetCurrentVideoMode(g_displayIndex, &mode);
    Report("active %d mode %dx%d", active, mode.width, mode.height);
}

void DrawArt(TextureRecord* art)
{
    int w = g_graphics->width, h = g_graphics->height;
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    DrawTexturedQuad(art, 0, 0, 256, 256, 2, 2, 0, 0);
    DrawTexturedQuad(art, w / 2.0 - 128, h / 2.0 - 128, w / 2.0 + 128, h / 2.0 + 128, 1, 1, 0, 0);
}

// The probe's one screen, looping as the game's screens do.
void RunProbeScreen()
{
    CGameGraphics* g = g_graphics;
    Report("stage %d %d %d %d", g->stageX, g->stageY, g->width, g->height);
    ReportMode("mode");
    ReportGLState();
    Report("focus %s", wxWindow::FindFocus() == g->stage ? "stage" : "elsewhere");
    RGBABitmap* bitmap = LoadImageRGBA("art");
    TextureRecord* art = CreateTexture(bitmap, true);
    Probe probe;
    PushInputHandler(ProbeInput, &probe);
    Report("ready");
    bool wasActive = true;
    uint32_t start = FrameClockNow();
    while (!probe.quit && !IsQuitRequested() && FrameClockNow() - start < kLongestRunMs) {
        wxYield();
        if (bool(g->active) != wasActive) {
            wasActive = g->active;
            ReportActivation(wasActive);
        }
        if (!g->active) {
            wxMilliSleep(1);
            continue;
        }
        if (probe.fail) {
            Report("throwing");
            throw "{5E0C47A1-93B2-4C58-8D0B-2F6A0E9B7C31}";
        }
        PollMouse();
        uint32_t now = FrameClockNow();
        if (g->lastFrameTime - now > 5)
            g->lastFrameTime = now;
        g->stage->MakeCurrent();
        DrawArt(art);
        PresentFrame();
        wxMilliSleep(5);
    }
    PopInputHandler();
    DeleteTextures(&art, 1);
    std::free(bitmap);
    Report("screen ends");
}

void ReportModeAfter()
{
    ReportMode("after");
}

// Another program's window: showing it takes the focus from the game.
class COtherApplication : public wxApp
{
public:
    bool OnInit() override
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "Other", wxPoint(100, 100), wxSize(300, 200));
        frame->Show();
        return true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--other") == 0) {
        wxApp::SetInstance(new COtherApplication);
        return wxEntry(argc, argv);
    }
    return RunProbeProgram(argc, argv, RunProbeScreen, ReportModeAfter);
}
