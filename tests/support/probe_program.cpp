#include "tests/support/probe_program.h"

#include <cstdarg>
#include <cstdio>

#include <wx/app.h>
#include <wx/toplevel.h>

#include "shell/application.h"

namespace {

void (*g_screens)() = nullptr;
void (*g_afterwards)() = nullptr;

class CProbeApplication : public CTamberApplication
{
public:
    void OnProbeStart(wxCommandEvent&)
    {
        RunGameWith(g_screens);
        if (g_afterwards)
            g_afterwards();
        if (wxTopLevelWindows.empty())
            ExitMainLoop();
    }

private:
    wxDECLARE_EVENT_TABLE();
};

wxBEGIN_EVENT_TABLE(CProbeApplication, CTamberApplication)
    EVT_COMMAND(10001, g_startEventType, CProbeApplication::OnProbeStart)
wxEND_EVENT_TABLE()

} // namespace

void Report(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

int RunProbeProgram(int argc, char** argv, void (*screens)(), void (*afterwards)())
{
    g_screens = screens;
    g_afterwards = afterwards;
    wxApp::SetInstance(new CProbeApplication);
    return wxEntry(argc, argv);
}
