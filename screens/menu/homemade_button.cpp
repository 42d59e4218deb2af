#include "screens/menu/homemade_button.h"

wxBEGIN_EVENT_TABLE(CBaseHomemadeButton, wxWindow)
    EVT_LEFT_DOWN(CBaseHomemadeButton::OnLeftDown)
    EVT_LEFT_UP(CBaseHomemadeButton::OnLeftUp)
    EVT_ENTER_WINDOW(CBaseHomemadeButton::OnEnterWindow)
    EVT_LEAVE_WINDOW(CBaseHomemadeButton::OnLeaveWindow)
    EVT_MOTION(CBaseHomemadeButton::OnMotion)
    EVT_MOUSE_CAPTURE_LOST(CBaseHomemadeButton::OnMouseCaptureLost)
    EVT_SET_FOCUS(CBaseHomemadeButton::OnFocusChange)
    EVT_KILL_FOCUS(CBaseHomemadeButton::OnFocusChange)
    EVT_CHAR(CBaseHomemadeButton::OnChar)
wxEND_EVENT_TABLE()

namespace {

enum NavigationFlags
{
    NavigateBackward = 0,
    NavigateForward = 1,
    NavigateWinChange = 2,
    NavigateFromTab = 4,
};

} // namespace

CBaseHomemadeButton::CBaseHomemadeButton(wxWindow* parent, int id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS, "panel")
{
}

void CBaseHomemadeButton::Repaint()
{
    Refresh(true);
}

void CBaseHomemadeButton::Click()
{
    Repaint();
    clicking = true;
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    GetEventHandler()->ProcessEvent(click);
    clicking = false;
    Repaint();
}

void CBaseHomemadeButton::OnLeftDown(wxMouseEvent&)
{
    if (pressed)
        return;
    pressed = true;
    Repaint();
    SetFocus();
    CaptureMouse();
}

void CBaseHomemadeButton::OnLeftUp(wxMouseEvent&)
{
    if (!pressed)
        return;
    if (HasCapture())
        ReleaseMouse();
    if (hover)
        Click();
    pressed = false;
    Repaint();
}

void CBaseHomemadeButton::OnEnterWindow(wxMouseEvent&)
{
    if (hover)
        return;
    hover = true;
    Repaint();
}

void CBaseHomemadeButton::OnLeaveWindow(wxMouseEvent&)
{
    if (!hover)
        return;
    hover = false;
    Repaint();
}

void CBaseHomemadeButton::OnMotion(wxMouseEvent& event)
{
    wxSize size = GetSize();
    int x = event.GetX(), y = event.GetY();
    if (x >= 0 && x < size.x && y >= 0 && y < size.y)
        OnEnterWindow(event);
    else if (hover) {
        hover = false;
        Repaint();
    }
}

void CBaseHomemadeButton::OnMouseCaptureLost(wxMouseCaptureLostEvent&)
{
    if (!pressed)
        return;
    pressed = false;
    Repaint();
}

void CBaseHomemadeButton::OnFocusChange(wxFocusEvent& event)
{
    Repaint();
    event.Skip();
}

void CBaseHomemadeButton::OnChar(wxKeyEvent& event)
{
    int key = event.GetKeyCode();
    bool focused = FindFocus() == this;
    if (key == WXK_RETURN) {
        Click();
    } else if (key == WXK_TAB && focused) {
        int flags = NavigateFromTab;
        if (!event.ShiftDown())
            flags |= NavigateForward;
        if (event.ControlDown())
            flags |= NavigateWinChange;
        Navigate(flags);
    } else if ((key == WXK_LEFT || key == WXK_UP) && focused) {
        Navigate(NavigateBackward);
    } else if ((key == WXK_RIGHT || key == WXK_DOWN) && focused) {
        Navigate(NavigateForward);
    } else if (GetParent()) {
        GetParent()->GetEventHandler()->AddPendingEvent(event);
    }
}
