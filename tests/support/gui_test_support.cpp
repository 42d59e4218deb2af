#include "tests/support/gui_test_support.h"

#include <cstdio>
#include <cstdlib>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

namespace {

void PrintAndAbort(const wxString& file, int line, const wxString& func, const wxString& cond,
                   const wxString& msg)
{
    std::fprintf(stderr, "toolkit assert %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
                 func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    std::abort();
}

} // namespace

int ShowModalAndDo(wxDialog& dialog, const std::function<void(wxDialog&)>& action)
{
    wxTheApp->CallAfter([&dialog, action] { action(dialog); });
    return dialog.ShowModal();
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
