#include "screens/menu/choice_popup.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/font.h>
#include <wx/popupwin.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include "shell/focus_settling.h"
#include "shell/images.h"

namespace {

// The gap between the outline and the rows, and the column that the dot of
// the current option stands in.
int Padding(int textHeight)
{
    return std::max(3, textHeight / 6);
}

int MarkWidth(int textHeight)
{
    return textHeight;
}

class CChoicePopup;

// The popup's one window: it draws the rows and, holding the keyboard focus
// while the popup is open, takes the keys and the mouse.
class CChoiceRows : public wxWindow
{
public:
    CChoiceRows(CChoicePopup* popup, const wxFont& font, int textHeight, const char** texts,
                int count, int marked);

private:
    wxRect RowRect(int row) const;
    int RowAt(const wxPoint& point) const;
    void Highlight(int row);
    void Step(int delta);
    void OnPaint(wxPaintEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnSetFocus(wxFocusEvent& event);
    void OnKillFocus(wxFocusEvent& event);

    CChoicePopup* popup;
    const char** texts;
    int count;
    int marked;
    int highlighted = -1;
    int textHeight;
    int rowHeight;
    wxBitmap highlightPicture;

    wxDECLARE_EVENT_TABLE();
};

// The toolkit's transient popup holds the pointer while it shows and closes
// on a click outside; the rows run in a nested loop until one is chosen.
class CChoicePopup : public wxPopupTransientWindow
{
public:
    explicit CChoicePopup(wxWindow* owner);

    int Run(const wxPoint& screenAt);
    void Finish(int row);
    void SetRowsFocused(bool focused);

    bool rowsFocused = false; // the rows hold the keyboard focus
    bool focusLost = false;   // closed because the focus went elsewhere

private:
    void OnDismiss() override;
    void OnOwnerActivate(wxActivateEvent& event);
    void WatchFocus();
    void OnFocusSettled(wxTimerEvent& event);

    int chosen = -1;
    bool finished = false;
    wxGUIEventLoop* loop = nullptr;
    wxWindow* menu = nullptr; // the top-level window the popup drops down over
    wxTimer focusCheck;
};

CChoicePopup* g_shownPopup = nullptr;

wxBEGIN_EVENT_TABLE(CChoiceRows, wxWindow)
    EVT_PAINT(CChoiceRows::OnPaint)
    EVT_KEY_DOWN(CChoiceRows::OnKeyDown)
    EVT_CHAR(CChoiceRows::OnChar)
    EVT_MOTION(CChoiceRows::OnMotion)
    EVT_LEFT_UP(CChoiceRows::OnLeftUp)
    EVT_SET_FOCUS(CChoiceRows::OnSetFocus)
    EVT_KILL_FOCUS(CChoiceRows::OnKillFocus)
wxEND_EVENT_TABLE()

CChoiceRows::CChoiceRows(CChoicePopup* owner, const wxFont& font, int height,
                         const char** options, int optionCount, int markedRow)
    : wxWindow(owner, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS), popup(owner),
      texts(options), count(optionCount), marked(markedRow), textHeight(height),
      rowHeight(ChoicePopupRowHeight(height))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetFont(font);
    wxClientDC dc(this);
    dc.SetFont(font);
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, dc.GetTextExtent(wxString::FromUTF8(texts[i])).x);
    int pad = Padding(textHeight);
    int rowWidth = std::max(MarkWidth(textHeight) + widest + textHeight, rowHeight * 4);
    SetSize(0, 0, rowWidth + 2 * pad, count * rowHeight + 2 * pad);
    highlightPicture = LoadBitmapResized("button_focused", rowWidth, rowHeight);
}

wxRect CChoiceRows::RowRect(int row) const
{
    int pad = Padding(textHeight);
    return wxRect(pad, pad + row * rowHeight, GetClientSize().x - 2 * pad, rowHeight);
}

int CChoiceRows::RowAt(const wxPoint& point) const
{
    for (int i = 0; i < count; ++i)
        if (RowRect(i).Contains(point))
            return i;
    return -1;
}

void CChoiceRows::Highlight(int row)
{
    if (row == highlighted)
        return;
    highlighted = row;
    Refresh(false);
}

// From no highlight, down starts at the first row and up at the last.
void CChoiceRows::Step(int delta)
{
    if (count <= 0)
        return;
    if (highlighted < 0)
        Highlight(delta > 0 ? 0 : count - 1);
    else
        Highlight((highlighted + delta + count) % count);
}

void CChoiceRows::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    wxSize size = GetClientSize();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(*wxWHITE_PEN);
    dc.DrawRoundedRectangle(0, 0, size.x, size.y, 6.0);

    dc.SetFont(GetFont());
    int dot = std::max(2, textHeight / 7);
    for (int i = 0; i < count; ++i) {
        wxRect row = RowRect(i);
        bool lit = i == highlighted;
        if (lit && highlightPicture.IsOk())
            dc.DrawBitmap(highlightPicture, row.x, row.y, true);
        wxColour ink = lit ? *wxBLACK : *wxWHITE;
        int cy = row.y + row.height / 2;
        if (i == marked) {
            dc.SetBrush(wxBrush(ink));
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.DrawCircle(row.x + MarkWidth(textHeight) / 2, cy, dot);
        }
        wxString text = wxString::FromUTF8(texts[i]);
        wxSize extent = dc.GetTextExtent(text);
        dc.SetTextForeground(ink);
        dc.DrawText(text, row.x + MarkWidth(textHeight), cy - extent.y / 2);
    }
}

// Every key is the popup's while it is open: none reaches the menu under it.
void CChoiceRows::OnKeyDown(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_UP:
        Step(-1);
        break;
    case WXK_DOWN:
        Step(1);
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        popup->Finish(highlighted);
        break;
    case WXK_ESCAPE:
        popup->Finish(-1);
        break;
    default:
        break;
    }
}

void CChoiceRows::OnChar(wxKeyEvent&) {}

void CChoiceRows::OnMotion(wxMouseEvent& event)
{
    int row = RowAt(event.GetPosition());
    if (row >= 0)
        Highlight(row);
}

void CChoiceRows::OnLeftUp(wxMouseEvent& event)
{
    int row = RowAt(event.GetPosition());
    if (row >= 0)
        popup->Finish(row);
}

void CChoiceRows::OnSetFocus(wxFocusEvent& event)
{
    popup->SetRowsFocused(true);
    event.Skip();
}

void CChoiceRows::OnKillFocus(wxFocusEvent& event)
{
    popup->SetRowsFocused(false);
    event.Skip();
}

CChoicePopup::CChoicePopup(wxWindow* owner)
    : wxPopupTransientWindow(owner, wxBORDER_NONE), focusCheck(this)
{
    Bind(wxEVT_TIMER, &CChoicePopup::OnFocusSettled, this, focusCheck.GetId());
}

int CChoicePopup::Run(const wxPoint& screenAt)
{
    wxSize size = GetChildren().front()->GetSize();
    SetClientSize(size);
    int display = wxDisplay::GetFromWindow(GetParent());
    wxRect area = wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry();
    wxPoint at(std::max(area.x, std::min(screenAt.x, area.GetRight() + 1 - size.x)),
               std::max(area.y, std::min(screenAt.y, area.GetBottom() + 1 - size.y)));
    Move(at);
    menu = wxGetTopLevelParent(GetParent());
    menu->Bind(wxEVT_ACTIVATE, &CChoicePopup::OnOwnerActivate, this);
    Popup(GetChildren().front());
    g_shownPopup = this;
    wxGUIEventLoop nested;
    loop = &nested;
    if (!finished)
        nested.Run();
    loop = nullptr;
    g_shownPopup = nullptr;
    focusCheck.Stop();
    menu->Unbind(wxEVT_ACTIVATE, &CChoicePopup::OnOwnerActivate, this);
    return chosen;
}

void CChoicePopup::Finish(int row)
{
    if (finished)
        return;
    finished = true;
    chosen = row;
    if (IsShown())
        Dismiss();
    if (loop && loop->IsRunning())
        loop->Exit();
}

void CChoicePopup::OnDismiss()
{
    Finish(-1);
}

void CChoicePopup::SetRowsFocused(bool focused)
{
    rowsFocused = focused;
    if (!focused)
        WatchFocus();
}

void CChoicePopup::OnOwnerActivate(wxActivateEvent& event)
{
    if (!event.GetActive())
        WatchFocus();
    event.Skip();
}

// Without a window manager the menu goes inactive the moment the popup takes
// the pointer, and the rows get the focus only a little later: the loss is
// judged once it has had time to settle, each loss for itself.
void CChoicePopup::WatchFocus()
{
    if (!finished)
        focusCheck.StartOnce(kFocusSettleMs);
}

// The focus gone to another window, as another program taking it, closes it
// as it closes a menu: it would otherwise stay over whatever took the focus.
void CChoicePopup::OnFocusSettled(wxTimerEvent&)
{
    auto* top = dynamic_cast<wxTopLevelWindow*>(menu);
    if (rowsFocused || (top && top->IsActive()))
        return;
    focusLost = true;
    Finish(-1);
}

} // namespace

int ChoicePopupRowHeight(int textHeight)
{
    return textHeight + textHeight / 3;
}

int RunChoicePopup(wxWindow* owner, const wxPoint& at, const wxFont& font, int textHeight,
                   const char** texts, int count, int marked)
{
    CChoicePopup popup(owner);
    new CChoiceRows(&popup, font, textHeight, texts, count, marked);
    int row = popup.Run(owner->ClientToScreen(at));
    // Closed by a key or a click (which the popup's hold on the pointer kept
    // from any other program), the focus goes back to the choice; after a
    // loss it stays with whatever took it.
    if (!popup.focusLost)
        owner->SetFocus();
    return row;
}

wxWindow* ShownChoicePopup()
{
    return g_shownPopup;
}

bool ChoicePopupHoldsFocus()
{
    return g_shownPopup && g_shownPopup->rowsFocused;
}
