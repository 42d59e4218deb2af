#include "tests/support/gui_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
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
        auto* dialog = wxDynamicCast(window, wxDialog);
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

void ClickButton(wxDialog& dialog, int id)
{
    auto* button = wxDynamicCast(dialog.FindWindow(id), wxButton);
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
