#include "screens/menu/choice_popup.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/font.h>
#include <wx/popupwin.h>

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
    explicit CChoicePopup(wxWindow* owner) : wxPopupTransientWindow(owner, wxBORDER_NONE) {}

    int Run(const wxPoint& screenAt);
    void Finish(int row);

private:
    void OnDismiss() override;
    void OnOwnerActivate(wxActivateEvent& event);

    int chosen = -1;
    bool finished = false;
    wxGUIEventLoop* loop = nullptr;
};

CChoicePopup* g_shownPopup = nullptr;

wxBEGIN_EVENT_TABLE(CChoiceRows, wxWindow)
    EVT_PAINT(CChoiceRows::OnPaint)
    EVT_KEY_DOWN(CChoiceRows::OnKeyDown)
    EVT_CHAR(CChoiceRows::OnChar)
    EVT_MOTION(CChoiceRows::OnMotion)
    EVT_LEFT_UP(CChoiceRows::OnLeftUp)
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

int CChoicePopup::Run(const wxPoint& screenAt)
{
    wxSize size = GetChildren().front()->GetSize();
    SetClientSize(size);
    int display = wxDisplay::GetFromWindow(GetParent());
    wxRect area = wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetGeometry();
    wxPoint at(std::max(area.x, std::min(screenAt.x, area.GetRight() + 1 - size.x)),
               std::max(area.y, std::min(screenAt.y, area.GetBottom() + 1 - size.y)));
    Move(at);
    wxWindow* menu = wxGetTopLevelParent(GetParent());
    menu->Bind(wxEVT_ACTIVATE, &CChoicePopup::OnOwnerActivate, this);
    Popup(GetChildren().front());
    g_shownPopup = this;
    wxGUIEventLoop nested;
    loop = &nested;
    if (!finished)
        nested.Run();
    loop = nullptr;
    g_shownPopup = nullptr;
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

// The program losing the focus closes it, as it closes a menu: it would
// otherwise stay over whatever took the focus.
void CChoicePopup::OnOwnerActivate(wxActivateEvent& event)
{
    if (!event.GetActive())
        Finish(-1);
    event.Skip();
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
    owner->SetFocus();
    return row;
}

wxWindow* ShownChoicePopup()
{
    return g_shownPopup;
}
