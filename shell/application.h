// The application object: prepares settings and the terms of use before any
// window exists, then runs the game from a queued start event.
#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/timer.h>

extern const wxEventType g_startEventType;

class CTamberApplication : public wxApp
{
public:
    bool OnInit() override;

    void OnStart(wxCommandEvent& event);
    void OnActivateApp(wxActivateEvent& event);

    // Whether the program has the focus is decided here, on every yield and
    // every idle pass. GTK's own check runs only in its idle callback, never
    // inside wxYield where the game spends its time, and takes every passing
    // gap in the focus for a loss; its verdicts are ignored.
    bool ProcessIdle() override;
    void SetActive(bool active, wxWindow* lastFocus) override;

private:
    void FollowFocus();
    // A modal dialog's event loop sleeps while nothing happens: this wakes it
    // when a loss of the focus has lasted long enough to count.
    void OnFocusSettled(wxTimerEvent& event);

    std::unique_ptr<wxTimer> focusTimer; // made once the toolkit runs

    wxDECLARE_EVENT_TABLE();
};

// The game routine; always returns true.
bool RunGame();
// The game routine around the given screens: settles the display mode, opens
// the game window, runs the screens and takes it all down again, also when
// they throw. A cancelled display choice runs nothing.
bool RunGameWith(void (*screens)());
// Leaves the game mode and takes the window down, in reverse order of
// building; also run while an error unwinds the game routine.
void TearDownGame();
