#include "shell/key_repeats.h"

#include <chrono>
#include <memory>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gdk/gdk.h>
#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include "shell/held_keys.h"
#include "shell/input.h"

namespace {

// How often the keyboard is looked at while a key is held: at most this
// often as events pass, and at least this often while none do.
const auto kLookGap = std::chrono::milliseconds(5);
const int kLookIntervalMs = 50;

KeySym KeySymOf(int32_t key)
{
    switch (key) {
    case kKeyEscape:
        return XK_Escape;
    case kKeyEnter:
        return XK_Return;
    case kKeyPadEnter:
        return XK_KP_Enter;
    case kKeySpace:
        return XK_space;
    default:
        return NoSymbol;
    }
}

Display* XDisplay()
{
    wxDisplayInfo info = wxGetDisplayInfo();
    return info.type == wxDisplayX11 ? static_cast<Display*>(info.dpy) : nullptr;
}

// Follows the keys going down and up on every window of the program: the
// toolkit here does not mark a key-down as a repeat, and the press may have
// gone to a window that is gone since.
class CKeyRepeatFilter : public wxEventFilter
{
public:
    int FilterEvent(wxEvent& event) override
    {
        int result = Classify(event);
        // Looked at after the event, never before: the look must come after
        // every event already judged.
        if (AnyKeyHeld(keys))
            LookAtKeyboard(false);
        return result;
    }

    // The keyboard's answer comes after every event the X server sent
    // before it, which are then in the toolkit's queues: when none waits
    // there, a key that is up now was released after every key event the
    // program has handled, and a key-down still to come is a new press.
    void LookAtKeyboard(bool now)
    {
        auto time = std::chrono::steady_clock::now();
        if (!now && time - lastLook < kLookGap)
            return;
        lastLook = time;
        if (Display* display = XDisplay()) {
            char keymap[32];
            XQueryKeymap(display, keymap);
            bool up[kHeldKeyCount];
            for (int slot = 0; slot < kHeldKeyCount; ++slot) {
                KeyCode code = XKeysymToKeycode(display, KeySymOf(kOncePerPressKeys[slot]));
                up[slot] = !(keymap[code / 8] & (1 << (code % 8)));
            }
            KeyboardLooked(keys, up, gdk_events_pending());
        }
        if (!AnyKeyHeld(keys) && lookTimer)
            lookTimer->Stop();
    }

    void Forget() { keys = HeldKeys{}; }

    std::unique_ptr<wxTimer> lookTimer; // made once the toolkit runs

private:
    int Classify(wxEvent& event)
    {
        wxEventType type = event.GetEventType();
        if (type != wxEVT_KEY_DOWN && type != wxEVT_KEY_UP)
            return Event_Skip;
        auto& key = static_cast<wxKeyEvent&>(event);
        int slot = HeldKeySlot(key.GetKeyCode());
        if (slot < 0)
            return Event_Skip;
        if (type == wxEVT_KEY_UP) {
            KeyGoesUp(keys, slot);
            return Event_Skip;
        }
        if (!KeyGoesDown(keys, slot, key.GetTimestamp()))
            return Event_Processed; // a repeat: used up, so it makes no character either
        if (lookTimer && !lookTimer->IsRunning())
            lookTimer->Start(kLookIntervalMs);
        return Event_Skip;
    }

    HeldKeys keys = {};
    std::chrono::steady_clock::time_point lastLook;
};

CKeyRepeatFilter g_keyRepeats;
int g_installs = 0; // a frame being destroyed may still be there when the next one comes

class CKeyboardLook : public wxTimer
{
public:
    void Notify() override { g_keyRepeats.LookAtKeyboard(true); }
};

} // namespace

void InstallKeyRepeatFilter()
{
    if (g_installs++ > 0)
        return;
    g_keyRepeats.Forget();
    g_keyRepeats.lookTimer = std::make_unique<CKeyboardLook>();
    wxEvtHandler::AddFilter(&g_keyRepeats);
}

void RemoveKeyRepeatFilter()
{
    if (--g_installs > 0)
        return;
    wxEvtHandler::RemoveFilter(&g_keyRepeats);
    g_keyRepeats.lookTimer.reset();
}
