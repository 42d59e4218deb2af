#include "shell/game_window.h"

#include <wx/dcclient.h>

#include "shell/graphics.h"
#include "shell/key_repeats.h"

namespace {

const int kStageAttributes[] = {
    WX_GL_RGBA, WX_GL_DOUBLEBUFFER, WX_GL_MIN_RED, 1, WX_GL_MIN_GREEN, 1, WX_GL_MIN_BLUE, 1, 0,
};

// Key handlers shared by the frame and the stage.
void OnChar(wxKeyEvent& event)
{
    int32_t key = event.GetKeyCode();
    SendInput(InputChar, &key);
}

void OnKeyDown(wxKeyEvent& event)
{
    int32_t key = event.GetKeyCode();
    SendInput(InputKeyDown, &key);
    event.Skip(); // the default processing makes the character event
}

// Not skipped: a release makes no character, and a skipped one goes on to
// the frame, which sends it again when a menu opened by it has run its own
// event loop meanwhile.
void OnKeyUp(wxKeyEvent& event)
{
    int32_t key = event.GetKeyCode();
    SendInput(InputKeyUp, &key);
}

void IgnoreErase(wxEraseEvent&) {}

void IgnoreCommand(wxCommandEvent&) {}

void FillBlack(wxWindow* window, wxDC& dc)
{
    wxSize size = window->GetSize();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);
}

void BindKeys(wxWindow* window)
{
    window->Bind(wxEVT_CHAR, OnChar);
    window->Bind(wxEVT_KEY_DOWN, OnKeyDown);
    window->Bind(wxEVT_KEY_UP, OnKeyUp);
    window->Bind(wxEVT_ERASE_BACKGROUND, IgnoreErase);
}

} // namespace

void SendInput(int32_t code, void* data)
{
    if (!g_graphics || !g_graphics->inputCallback)
        return;
    g_graphics->inputCallback(g_graphics->inputContext, code, data);
}

CGameStage::CGameStage(CGameFrame* parent)
    : wxGLCanvas(parent, wxID_ANY, kStageAttributes, wxDefaultPosition, wxDefaultSize, 0,
                 "GLCanvas")
    , context(new wxGLContext(this))
{
    SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    Bind(wxEVT_LEFT_DOWN, &CGameStage::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &CGameStage::OnLeftUp, this);
    Bind(wxEVT_PAINT, &CGameStage::OnPaint, this);
    BindKeys(this);
}

CGameStage::~CGameStage()
{
    delete context;
}

bool CGameStage::MakeCurrent()
{
    return IsShownOnScreen() && SetCurrent(*context);
}

void CGameStage::OnLeftDown(wxMouseEvent& event)
{
    InputPoint point{event.GetX(), event.GetY()};
    SendInput(InputLeftDown, &point);
}

void CGameStage::OnLeftUp(wxMouseEvent& event)
{
    InputPoint point{event.GetX(), event.GetY()};
    SendInput(InputLeftUp, &point);
}

void CGameStage::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this); // answers the paint request even when nothing is drawn
    if (g_graphics && g_graphics->activeMenu)
        FillBlack(this, dc);
}

// Created at 1 x 1: GTK complains about empty windows. The display-mode
// switch places and sizes it.
CGameFrame::CGameFrame()
    : wxFrame(nullptr, wxID_ANY, "Skylume", wxPoint(0, 0), wxSize(1, 1),
              wxCLIP_CHILDREN | wxNO_BORDER, "frame")
{
    SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    Bind(wxEVT_PAINT, &CGameFrame::OnPaint, this);
    Bind(wxEVT_CLOSE_WINDOW, &CGameFrame::OnClose, this);
    Bind(wxEVT_MENU, IgnoreCommand, wxID_EXIT);
    BindKeys(this);
    InstallKeyRepeatFilter();
}

CGameFrame::~CGameFrame()
{
    RemoveKeyRepeatFilter();
}

void CGameFrame::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    FillBlack(this, dc);
}

// The current screen decides what a close request means.
void CGameFrame::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto())
        event.Veto();
    SendInput(InputClose, nullptr);
}
