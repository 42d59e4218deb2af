// The base of every button-like control on a menu: a plain child window that
// tracks the mouse and focus itself, reports a press as an ordinary button
// click, moves the focus with Tab and the arrows, and hands every other key
// to its parent. It paints nothing; derived controls draw from its flags.
#pragma once

#include <wx/window.h>

class CBaseHomemadeButton : public wxWindow
{
public:
    CBaseHomemadeButton(wxWindow* parent, int id);

    void Click();

    bool hover = false;    // the pointer is over the button
    bool pressed = false;  // left button went down here and the mouse is captured
    bool clicking = false; // only while Click sends its event

private:
    void Repaint();
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnEnterWindow(wxMouseEvent& event);
    void OnLeaveWindow(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnMouseCaptureLost(wxMouseCaptureLostEvent& event);
    void OnFocusChange(wxFocusEvent& event);
    void OnChar(wxKeyEvent& event);

    wxDECLARE_EVENT_TABLE();
};
