#include "tests/support/gui_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

void PrintAndAbort(const wxString& file, int line, const wxString& func, const wxString& cond,
                   const wxString& msg)
{
    std::fprintf(stderr, "toolkit assert %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
                 func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    std::abort();
}

wxDialog* FindModalDialog()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal() && dialog->IsShown())
            return dialog;
    }
    return nullptr;
}

// Looks for a modal dialog every few milliseconds, in whatever event loop
// runs; acts once and goes.
class ModalDialogWatch : public wxTimer
{
public:
    ModalDialogWatch(const std::function<void(wxDialog&)>& act, int timeoutMs)
        : action(act), timeout(timeoutMs)
    {
        Start(10);
    }

    void Notify() override
    {
        wxDialog* dialog = FindModalDialog();
        if (!dialog && clock.Time() < timeout)
            return;
        Stop();
        if (dialog)
            action(*dialog);
        else
            ADD_FAILURE() << "no modal dialog showed within " << timeout << " ms";
        wxTheApp->CallAfter([this] { delete this; });
    }

private:
    std::function<void(wxDialog&)> action;
    int timeout;
    wxStopWatch clock;
};

} // namespace

void WhenModalDialogShows(const std::function<void(wxDialog&)>& action, int timeoutMs)
{
    new ModalDialogWatch(action, timeoutMs);
}

int ShowModalAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action)
{
    wxTheApp->CallAfter([&dialog, action] { action(dialog); });
    return dialog.ShowModal();
}

int ShowActiveAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action)
{
    return ShowModalAndDo(dialog, [action](wxDialog& shown) {
        if (!PumpUntil([&shown] { return shown.IsActive(); }))
            ADD_FAILURE() << "the dialog never got the focus";
        action(shown);
    });
}

int ShowModalWithKeys(wxDialog& dialog, const char* keys, int timeoutMs)
{
    std::string pressed = keys;
    return ShowActiveAndDo(dialog, [pressed, timeoutMs](wxDialog& shown) {
        PressKeys(pressed.c_str());
        if (PumpUntil([&shown] { return !shown.IsModal(); }, timeoutMs))
            return;
        ADD_FAILURE() << "the keys '" << pressed << "' did not close the dialog";
        shown.EndModal(-1);
    });
}

bool PumpUntil(const std::function<bool()>& condition, int timeoutMs)
{
    wxStopWatch clock;
    while (!condition()) {
        if (clock.Time() >= timeoutMs)
            return false;
        PumpEvents(10);
    }
    return true;
}

void ClickButton(wxDialog& dialog, int id)
{
    auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
    if (!button) {
        ADD_FAILURE() << "no button " << id;
        return;
    }
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

void PressEscape(wxDialog& dialog)
{
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = WXK_ESCAPE;
    key.SetEventObject(&dialog);
    dialog.ProcessWindowEvent(key);
}

void SendKey(wxWindow* window, int type, int code, int modifiers)
{
    wxKeyEvent key(type);
    key.m_keyCode = code;
    key.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
    key.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
    key.SetEventObject(window);
    window->ProcessWindowEvent(key);
}

void Xdotool(const std::string& arguments)
{
    std::string command = "xdotool " + arguments;
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "xdotool failed: " << command;
}

void PressKeys(const char* keys)
{
    Xdotool(std::string("key --delay 30 ") + keys);
}

void WithKeyboardElsewhere(const std::function<void()>& action)
{
    Display* other = XOpenDisplay(nullptr);
    if (!other) {
        ADD_FAILURE() << "no second connection to the X server";
        return;
    }
    Window elsewhere = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 50, 50, 0, 0, 0);
    XMapRaised(other, elsewhere);
    XSync(other, False);
    Window had = 0;
    int revert = 0;
    XGetInputFocus(other, &had, &revert);
    XSetInputFocus(other, elsewhere, RevertToParent, CurrentTime);
    XSync(other, False);
    action();
    XSetInputFocus(other, had, revert, CurrentTime);
    XCloseDisplay(other);
}

void PumpEvents(int milliseconds)
{
    wxStopWatch clock;
    do {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(5);
    } while (clock.Time() < milliseconds);
}

void InstallQuietToolkitHandlers()
{
    wxSetAssertHandler(PrintAndAbort);
    delete wxLog::SetActiveTarget(new wxLogStderr);
}

wxImage CaptureScreen(const wxRect& rect)
{
    auto* display = static_cast<Display*>(wxGetDisplay());
    wxImage image(rect.width, rect.height);
    XImage* shot = XGetImage(display, DefaultRootWindow(display), rect.x, rect.y, rect.width,
                             rect.height, AllPlanes, ZPixmap);
    if (!shot)
        return image;
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            unsigned long pixel = XGetPixel(shot, x, y);
            image.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        }
    XDestroyImage(shot);
    return image;
}

std::string SaveScreenShotTo(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return std::string();
    auto* display = static_cast<Display*>(wxGetDisplay());
    Screen* screen = DefaultScreenOfDisplay(display);
    wxImage shot = CaptureScreen(wxRect(0, 0, WidthOfScreen(screen), HeightOfScreen(screen)));
    wxFileName::Mkdir(wxString::FromUTF8(dir), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    std::string path = dir + "/" + name + ".png";
    shot.SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG);
    return path;
}

void SaveScreenShot(const char* name)
{
    const char* dir = std::getenv("SKYLUME_SHOTS");
    SaveScreenShotTo(dir ? dir : "", name);
}
