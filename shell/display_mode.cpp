#include "shell/display_mode.h"

#include <chrono>
#include <csignal>
#include <exception>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/config.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/utils.h>

#include "shell/display_dialog.h"
#include "shell/settings.h"

int g_displayIndex = 0;
bool g_displayChosen = false;
VideoMode g_gameMode;
VideoMode g_desktopMode;
bool g_gameModeEntered = false;
bool g_desktopModeChanged = false;
wxFrame* g_curtain = nullptr;

namespace {

const int kFadeMilliseconds = 510;
const int kHoldMilliseconds = 1000;

wxGLContext* g_curtainContext = nullptr;
std::terminate_handler g_previousTerminate = nullptr;

struct DisplayChoice
{
    int index;
    VideoMode mode;
};

bool DisplayOffers(int display, const VideoMode& mode)
{
    VideoModeList list;
    GetVideoModes(display, &list);
    for (int i = 0; i < list.count; ++i)
        if (list.modes[i].width == mode.width && list.modes[i].height == mode.height
            && list.modes[i].depth == mode.depth)
            return true;
    return false;
}

// The stored choice counts while its display keeps the geometry it had and
// still offers the mode. Sets `found` when the display matched at all. The
// geometry is the desktop's: another game may have the display switched.
bool StoredChoice(DisplayChoice* choice, bool* found)
{
    const GameSettings& s = g_settings;
    if (s.displayIndex < 0 || s.displayIndex >= GetDisplayCount())
        return false;
    DisplayRect rect;
    VideoMode desktop;
    if (!GetDesktopDisplay(s.displayIndex, &rect, &desktop) || rect.x != s.displayLeft
        || rect.y != s.displayTop || rect.width != s.displayWidth
        || rect.height != s.displayHeight)
        return false;
    *found = true;
    *choice = DisplayChoice{s.displayIndex, VideoMode{s.gameWidth, s.gameHeight, s.depth, 0}};
    return DisplayOffers(choice->index, choice->mode);
}

void StoreChoice(const DisplayChoice& choice)
{
    GameSettings& s = g_settings;
    DisplayRect rect;
    VideoMode desktop;
    GetDesktopDisplay(choice.index, &rect, &desktop);
    s.displayIndex = choice.index;
    WriteConfigInt("/Display/Index", s.displayIndex);
    s.displayTop = rect.y;
    WriteConfigInt("/Display/Top", s.displayTop);
    s.displayLeft = rect.x;
    WriteConfigInt("/Display/Left", s.displayLeft);
    s.displayWidth = rect.width;
    WriteConfigInt("/Display/Width", s.displayWidth);
    s.displayHeight = rect.height;
    WriteConfigInt("/Display/Height", s.displayHeight);
    s.gameWidth = choice.mode.width;
    WriteConfigInt("/Display/GameWidth", s.gameWidth);
    s.gameHeight = choice.mode.height;
    WriteConfigInt("/Display/GameHeight", s.gameHeight);
    s.depth = choice.mode.depth;
    WriteConfigInt("/Display/Depth", s.depth);
    ConfigStore()->Flush(false);
}

void OnTerminate()
{
    RestoreDesktopMode();
    if (g_previousTerminate)
        g_previousTerminate();
    std::abort();
}

// Runs on the GUI thread from the event loop, not inside the signal.
void OnTerminationSignal(int signal)
{
    RestoreDesktopMode();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Leaving the game mode must not depend on the game ending well.
void InstallDesktopGuards()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    g_previousTerminate = std::set_terminate(OnTerminate);
    if (wxTheApp)
        for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
            wxTheApp->SetSignalHandler(signal, OnTerminationSignal);
}

// Still in the game mode when the process ends: put the desktop back.
struct ExitGuard
{
    ~ExitGuard() { RestoreDesktopMode(); }
} g_exitGuard;

DisplayRect PrimarySize()
{
    DisplayRect primary;
    if (!GetDisplayGeometry(0, &primary)) {
        wxSize size = wxGetDisplaySize();
        primary = DisplayRect{0, 0, size.x, size.y};
    }
    return primary;
}

void DestroyCurtain()
{
    delete g_curtainContext;
    g_curtainContext = nullptr;
    if (g_curtain)
        g_curtain->Destroy();
    g_curtain = nullptr;
}

// The frame covers the chosen display, the stage fills the frame.
void LayOut(wxFrame* frame, wxWindow* stage, const DisplayRect& display)
{
    frame->SetPosition(wxPoint(display.x, display.y));
    frame->SetClientSize(display.width, display.height);
    stage->SetSize(0, 0, display.width, display.height, wxSIZE_AUTO);
}

} // namespace

bool IsUsableMode(const VideoMode& mode)
{
    return mode.width >= 640 && mode.height >= 480 && mode.depth >= 16;
}

bool ChooseDisplayMode()
{
    bool ctrl = wxGetMouseState().ControlDown();
    DisplayChoice choice{0, VideoMode{0, 0, 0, 0}};
    bool found = false;
    bool valid = StoredChoice(&choice, &found);
    if (!found && GetDisplayCount() == 1) {
        choice.index = 0;
        DisplayRect rect;
        valid = GetDesktopDisplay(0, &rect, &choice.mode);
        choice.mode.refresh = 0;
    }
    valid = valid && IsUsableMode(choice.mode);
    if (ctrl || !valid) {
        CDisplayDialog dialog;
        valid = dialog.ShowModal() == wxID_OK;
        if (!valid)
            return false;
        choice = DisplayChoice{dialog.listedDisplay, dialog.chosenMode};
        choice.mode.refresh = 0;
        StoreChoice(choice);
    }
    g_displayIndex = choice.index;
    g_gameMode = choice.mode;
    g_displayChosen = true;
    return true;
}

bool EnterGameDisplayMode(wxFrame* frame, wxWindow* stage)
{
    if (g_gameModeEntered)
        return true;
    InstallDesktopGuards();
    FadeCurtain();
    VideoMode current, desktop;
    DisplayRect rect;
    GetCurrentVideoMode(g_displayIndex, &current);
    GetDesktopDisplay(g_displayIndex, &rect, &desktop);
    // After a failed way back the saved mode is still the desktop's.
    if (!g_desktopModeChanged)
        g_desktopMode = desktop;
    VideoMode shown = current;
    // Another game's mode may be shown, the same as this game's or not: the
    // switch makes the display this game's.
    if (!VideoModeMatches(current, g_gameMode) || !VideoModeMatches(desktop, g_gameMode)) {
        if (ChangeVideoMode(g_displayIndex, g_gameMode)) {
            g_desktopModeChanged = true;
            shown = g_gameMode;
        } else {
            GetCurrentVideoMode(g_displayIndex, &shown);
        }
    }
    DisplayRect display;
    if (!GetDisplayGeometry(g_displayIndex, &display))
        display = PrimarySize();
    if (shown.width <= 0 || shown.height <= 0) // the display has gone
        shown = VideoMode{display.width, display.height, 0, 0};
    LayOut(frame, stage, display);
    frame->Show(true);
    frame->Iconize(false);
    LayOut(frame, stage, display);
    stage->SetClientSize(shown.width, shown.height);
    DestroyCurtain();
    g_gameModeEntered = true;
    return true;
}

bool LeaveGameDisplayMode(wxFrame* frame)
{
    if (!g_gameModeEntered && !g_desktopModeChanged)
        return true;
    // Only where the display still shows this game's mode.
    RestoreDesktopMode();
    if (frame)
        frame->Show(false);
    g_gameModeEntered = false;
    return true;
}

void RestoreDesktopMode()
{
    if (!g_desktopModeChanged)
        return;
    RestoreVideoModes();
    g_desktopModeChanged = false;
}

int CurtainLevel(int64_t remaining)
{
    double r = remaining / 512.0;
    double level = 255 * (1 - (1 - r) * (1 - r));
    if (!(level > 0))
        return 0;
    return level >= 254 ? 254 : int(level);
}

void FadeCurtain()
{
    static const int attributes[] = {
        WX_GL_RGBA, WX_GL_MIN_RED, 1, WX_GL_MIN_GREEN, 1, WX_GL_MIN_BLUE, 1, 0,
    };
    DestroyCurtain();
    auto* curtain = new wxFrame(nullptr, wxID_ANY, wxEmptyString, wxPoint(0, 0), wxSize(1, 1),
                                wxBORDER_NONE | wxCLIP_CHILDREN | wxSTAY_ON_TOP, "frame");
    auto* canvas = new wxGLCanvas(curtain, wxID_ANY, attributes, wxDefaultPosition,
                                  wxDefaultSize, wxBORDER_NONE | wxTRANSPARENT_WINDOW, "GLCanvas");
    curtain->SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    canvas->SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    DisplayRect primary = PrimarySize();
    curtain->SetClientSize(primary.width, primary.height);
    curtain->Show(true);
    curtain->SetClientSize(primary.width, primary.height);
    wxSize size = curtain->GetSize();
    g_curtain = curtain;
    g_curtainContext = new wxGLContext(canvas);
    canvas->SetCurrent(*g_curtainContext);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, size.x, size.y);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, size.x, 0, size.y, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Each rectangle scales what the screen shows by level / last, so the
    // brightness follows the level; a clock that cannot jump keeps it short.
    using Clock = std::chrono::steady_clock;
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(kFadeMilliseconds);
    int last = 255;
    while (last != 0) {
        Clock::time_point now = Clock::now();
        int level = 0;
        if (now < end)
            level = CurtainLevel(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count());
        if (level == last) {
            wxMilliSleep(1);
            continue;
        }
        int k = level * 255 / last;
        glColor4f(0, 0, 0, 1 - k / 255.0f);
        glRectf(0, 0, size.x, size.y);
        glFinish();
        last = level;
    }
    wxMilliSleep(kHoldMilliseconds);
}
