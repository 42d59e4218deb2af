#include "shell/application.h"

#include <chrono>
#include <memory>

#include <wx/config.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include "foundation/license_dialog.h"
#include "shell/display_mode.h"
#include "shell/focus_settling.h"
#include "shell/graphics.h"
#include "shell/settings.h"

const wxEventType g_startEventType = wxNewEventType();

enum
{
    StartEventId = 10001,
};

wxBEGIN_EVENT_TABLE(CTamberApplication, wxApp)
    EVT_COMMAND(StartEventId, g_startEventType, CTamberApplication::OnStart)
    EVT_ACTIVATE_APP(CTamberApplication::OnActivateApp)
wxEND_EVENT_TABLE()

namespace {

bool g_focusLost = false;
std::chrono::steady_clock::time_point g_focusLostAt;
int g_focusSettleMs = 0; // how long the current loss must last to count

bool ProgramHasFocus()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* top = dynamic_cast<wxTopLevelWindow*>(window);
        if (top && top->IsActive())
            return true;
    }
    return false;
}

// The system language's locale, while it is installed; none otherwise, and
// never an error box about it.
std::unique_ptr<wxLocale> MakeStartupLocale()
{
    wxLogNull quiet;
    int language = wxLocale::GetSystemLanguage();
    if (language == wxLANGUAGE_UNKNOWN || !wxLocale::IsAvailable(language))
        return nullptr;
    auto locale = std::make_unique<wxLocale>();
    locale->Init(language, wxLOCALE_LOAD_DEFAULT);
    return locale;
}

bool AcceptTermsOfUse()
{
    CLicenseAgreementDialog dialog;
    if (dialog.ShowModal() != wxID_OK)
        return false;
    g_settings.eulaVersion = 1;
    WriteConfigInt("/Registration/EulaVersion", 1);
    ConfigStore()->Flush(false);
    return true;
}

} // namespace

bool CTamberApplication::OnInit()
{
    wxImage::AddHandler(new wxPNGHandler);
    std::unique_ptr<wxLocale> locale = MakeStartupLocale();
    LoadSettings();
    // A game that died with its watcher left the display switched.
    RecoverVideoModes();
    if (g_settings.eulaVersion < 1 && !AcceptTermsOfUse())
        return false;
    focusTimer = std::make_unique<wxTimer>(this);
    Bind(wxEVT_TIMER, &CTamberApplication::OnFocusSettled, this, focusTimer->GetId());
    wxCommandEvent start(g_startEventType, StartEventId);
    AddPendingEvent(start);
    return true;
}

void CTamberApplication::OnStart(wxCommandEvent&)
{
    RunGame();
    // The main loop ends when its last top-level window goes; if the game
    // never opened one, nothing would end it.
    if (wxTopLevelWindows.empty())
        ExitMainLoop();
}

bool CTamberApplication::ProcessIdle()
{
    FollowFocus();
    return wxApp::ProcessIdle();
}

void CTamberApplication::FollowFocus()
{
    using Clock = std::chrono::steady_clock;
    if (ProgramHasFocus()) {
        g_focusLost = false;
        if (g_graphics)
            g_graphics->focusSeen = 1;
        wxApp::SetActive(true, nullptr);
        return;
    }
    // A window manager may take its time to hand a new game window the
    // focus: until the window has had it, there is nothing to lose.
    if (!IsActive() || !g_graphics || !g_graphics->focusSeen)
        return;
    if (!g_focusLost) {
        g_focusLost = true;
        g_focusLostAt = Clock::now();
        bool menuClosing = FrameClockNow() - g_graphics->menuClosedAt <= uint32_t(kFocusSettleMs);
        g_focusSettleMs = menuClosing ? kMenuCloseSettleMs : kFocusSettleMs;
    }
    auto lasted = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_focusLostAt);
    if (lasted.count() >= g_focusSettleMs)
        wxApp::SetActive(false, nullptr);
    else if (focusTimer && !focusTimer->IsRunning())
        focusTimer->StartOnce(int(g_focusSettleMs - lasted.count()) + 1);
}

void CTamberApplication::OnFocusSettled(wxTimerEvent&)
{
    FollowFocus();
}

void CTamberApplication::SetActive(bool, wxWindow*) {}

void CTamberApplication::OnActivateApp(wxActivateEvent& event)
{
    SetGameActive(event.GetActive());
    event.Skip();
}
