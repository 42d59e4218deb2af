// The borderless game frame and the GL canvas that fills it. Neither keeps
// game state: both turn toolkit events into input codes for the current
// input handler, paint black where nothing else draws, and refuse to close.
#pragma once

#include <cstdint>

#include <wx/frame.h>
#include <wx/glcanvas.h>

class CGameFrame;

class CGameStage : public wxGLCanvas
{
public:
    explicit CGameStage(CGameFrame* parent);
    ~CGameStage() override;

    // Makes the stage's GL context current; false while it is not shown.
    bool MakeCurrent();

private:
    wxGLContext* context;

    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);
};

class CGameFrame : public wxFrame
{
public:
    CGameFrame();
    ~CGameFrame() override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnClose(wxCloseEvent& event);
};

// Calls the current input handler; drops the input when there is none.
void SendInput(int32_t code, void* data);
