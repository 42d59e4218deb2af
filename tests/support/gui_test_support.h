// Shared pieces of the tests that run the toolkit on a display.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/window.h>

class wxApp;
class wxDialog;
class wxImage;
class wxRect;

// Shows the dialog modally and runs the action from inside its modal loop.
int ShowModalAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action);

// As ShowModalAndDo, once the dialog has the focus (with a window manager a
// dialog takes it a moment after it shows; focus events need it).
int ShowActiveAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action);

// Runs the action from inside the modal loop of the next dialog that shows
// modally within the time; a test failure when none does. For dialogs that
// the code under test makes and shows itself.
void WhenModalDialogShows(const std::function<void(wxDialog&)>& action, int timeoutMs = 10000);

// Shows the dialog modally, presses the keys for real once it has the focus, and lets
// them close it; ends it with -1 (a failure) if they have not within the time.
int ShowModalWithKeys(wxDialog& dialog, const char* keys, int timeoutMs = 3000);
// Lets the toolkit run until the condition holds, for at most the time.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 3000);

// Presses the dialog's button with this id, as a click would.
void ClickButton(wxDialog& dialog, int id);
// Escape as the toolkit delivers it to a dialog first.
void PressEscape(wxDialog& dialog);

// A key event of the given type processed by the window at once, as the
// toolkit would deliver it (modifiers: wxMOD_SHIFT, wxMOD_CONTROL).
void SendKey(wxWindow* window, int type, int code, int modifiers = 0);
// Real input through the X server: any xdotool commands ("keydown Return").
void Xdotool(const std::string& arguments);
// Real key presses through the X server (xdotool key names, "Tab shift+Tab").
void PressKeys(const char* keys);

// Gives the keyboard to a window of another X client, runs the action (real
// keys then go there) and gives it back to the window that had it; the test
// program reads no event meanwhile.
void WithKeyboardElsewhere(const std::function<void()>& action);

// Lets the toolkit handle what is pending, for up to the given time.
void PumpEvents(int milliseconds = 50);

// Installs handlers that turn asserts and error logs into test output, never boxes.
void InstallQuietToolkitHandlers();

// What the X server shows in the rectangle now. The toolkit's screen device
// context can hand back stale pixels on GTK 3; this reads the server itself.
wxImage CaptureScreen(const wxRect& rect);

// The application object the display tests run with; a plain one unless the
// test program defines its own.
wxApp* CreateTestApplication();

// Saves the whole screen as DIR/NAME.png and returns that path; an empty
// DIR saves nothing and returns an empty path.
std::string SaveScreenShotTo(const std::string& dir, const std::string& name);

// Saves the whole screen as NAME.png into $SKYLUME_SHOTS when that is set.
void SaveScreenShot(const char* name);

// The window's children of one type, in the order they were made.
template <class T>
std::vector<T*> ChildrenOfType(wxWindow* parent)
{
    std::vector<T*> found;
    for (wxWindow* child : parent->GetChildren())
        if (auto* typed = dynamic_cast<T*>(child))
            found.push_back(typed);
    return found;
}
