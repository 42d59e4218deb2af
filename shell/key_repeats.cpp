#include "shell/key_repeats.h"

#include <chrono>
#include <memory>

#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include "shell/input.h"

namespace {

const int kKeys[] = {kKeyEscape, kKeyEnter, kKeyPadEnter};
const int kKeyCount = 3;

// How often a held key is looked up on the keyboard itself: at most this
// often as events pass, and at least this often while none do.
const auto kReleaseLookGap = std::chrono::milliseconds(5);
const int kReleaseCheckMs = 50;

// Follows the keys going down and up on every window of the program: the
// toolkit here does not mark a key-down as a repeat, and the press may have
// gone to a window that is gone since.
class CKeyRepeatFilter : public wxEventFilter
{
public:
    int FilterEvent(wxEvent& event) override
    {
        if (anyHeld)
            ForgetReleased(false);
        wxEventType type = event.GetEventType();
        if (type != wxEVT_KEY_DOWN && type != wxEVT_KEY_UP)
            return Event_Skip;
        auto& key = static_cast<wxKeyEvent&>(event);
        int slot = Slot(key.GetKeyCode());
        if (slot < 0)
            return Event_Skip;
        if (type == wxEVT_KEY_UP) {
            held[slot] = false;
            return Event_Skip;
        }
        // One press handled by two windows in turn has one time.
        if (held[slot] && key.GetTimestamp() != pressTime[slot])
            return Event_Processed; // a repeat: used up, so it makes no character either
        held[slot] = true;
        anyHeld = true;
        pressTime[slot] = key.GetTimestamp();
        if (releaseCheck && !releaseCheck->IsRunning())
            releaseCheck->Start(kReleaseCheckMs);
        return Event_Skip;
    }

    // A release can reach no window of the program: the focus passing
    // between two of its windows, or with another program. The keyboard
    // itself tells whether the key is still down.
    void ForgetReleased(bool now)
    {
        auto time = std::chrono::steady_clock::now();
        if (!now && time - lastLook < kReleaseLookGap)
            return;
        lastLook = time;
        anyHeld = false;
        for (int slot = 0; slot < kKeyCount; ++slot) {
            if (held[slot] && !wxGetKeyState(wxKeyCode(kKeys[slot])))
                held[slot] = false;
            anyHeld = anyHeld || held[slot];
        }
        if (!anyHeld && releaseCheck)
            releaseCheck->Stop();
    }

    void Forget()
    {
        for (bool& h : held)
            h = false;
        anyHeld = false;
    }

    std::unique_ptr<wxTimer> releaseCheck; // made once the toolkit runs

private:
    static int Slot(int key)
    {
        for (int slot = 0; slot < kKeyCount; ++slot)
            if (kKeys[slot] == key)
                return slot;
        return -1;
    }

    bool held[kKeyCount] = {};
    bool anyHeld = false;
    long pressTime[kKeyCount] = {};
    std::chrono::steady_clock::time_point lastLook;
};

CKeyRepeatFilter g_keyRepeats;
int g_installs = 0; // a frame being destroyed may still be there when the next one comes

class CReleaseCheck : public wxTimer
{
public:
    void Notify() override { g_keyRepeats.ForgetReleased(true); }
};

} // namespace

void InstallKeyRepeatFilter()
{
    if (g_installs++ > 0)
        return;
    g_keyRepeats.Forget();
    g_keyRepeats.releaseCheck = std::make_unique<CReleaseCheck>();
    wxEvtHandler::AddFilter(&g_keyRepeats);
}

void RemoveKeyRepeatFilter()
{
    if (--g_installs > 0)
        return;
    wxEvtHandler::RemoveFilter(&g_keyRepeats);
    g_keyRepeats.releaseCheck.reset();
}
