// Shared pieces of the tests that run the toolkit on a display.
#pragma once

#include <functional>

class wxApp;
class wxDialog;
class wxImage;
class wxRect;

// Shows the dialog modally and runs the action from inside its modal loop.
int ShowModalAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action);

// Runs the action from inside the modal loop of the next dialog that shows
// modally within the time; a test failure when none does. For dialogs that
// the code under test makes and shows itself.
void WhenModalDialogShows(const std::function<void(wxDialog&)>& action, int timeoutMs = 10000);

// Presses the dialog's button with this id, as a click would.
void ClickButton(wxDialog& dialog, int id);
// Escape as the toolkit delivers it to a dialog first.
void PressEscape(wxDialog& dialog);

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
