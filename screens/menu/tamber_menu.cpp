#include "screens/menu/tamber_menu.h"

#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "foundation/dialog_layout.h"
#include "foundation/keyboard_focus.h"
#include "foundation/multi_line_text.h"
#include "foundation/text_fitting.h"
#include "screens/menu/choice_popup.h"
#include "screens/menu/menu_buttons.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "shell/mouse.h"

wxBEGIN_EVENT_TABLE(CTamberMenu, wxDialog)
    EVT_PAINT(CTamberMenu::OnPaint)
    EVT_ERASE_BACKGROUND(CTamberMenu::OnEraseBackground)
    EVT_MENU(wxID_EXIT, CTamberMenu::OnExitCommand)
    EVT_BUTTON(wxID_ANY, CTamberMenu::OnButton)
    EVT_CHAR(CTamberMenu::OnChar)
    EVT_CLOSE(CTamberMenu::OnCloseWindow)
wxEND_EVENT_TABLE()

namespace {

const int kBorder = 5;

int FractionOf(int extent, double fraction)
{
    return static_cast<int>(extent * fraction);
}

wxWindow* MenuParent()
{
    return g_graphics ? g_graphics->stage : nullptr;
}

int TextPixelHeight()
{
    return MenuScreenSize().y / 24;
}

} // namespace

CTamberMenu::CTamberMenu()
    : wxDialog(MenuParent(), wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
               wxBORDER_NONE | wxCLIP_CHILDREN, "dialog"),
      layout(nullptr)
{
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_CANCEL);
    layout = new CDialogLayout(this);
    SetBackgroundColour(*wxBLACK);
    SetBackgroundStyle(wxBG_STYLE_COLOUR);
}

CTamberMenu::~CTamberMenu()
{
    if (layout) {
        // Groups left open by a builder that threw: finishing must not
        // throw again from here.
        while (layout->GetDepth() > 1)
            layout->PopSizer();
        layout->Finish();
        delete layout;
    }
}

int CTamberMenu::ShowModal()
{
    if (layout) {
        layout->Finish();
        delete layout;
        layout = nullptr;
    }
    // Asked for before showing, the first focus goes with the menu when a
    // window manager activates it.
    if (wxWindow* affirmative = FindWindow(GetAffirmativeId()))
        affirmative->SetFocus();
    SetActiveMenu(this);
    int id = wxDialog::ShowModal();
    SetActiveMenu(nullptr);
    return id;
}

// Without a window manager the focus asked for before showing went nowhere
// and the keys stayed with the game window: the menu asks once more.
bool CTamberMenu::Show(bool show)
{
    bool changed = wxDialog::Show(show);
    if (show && changed)
        TakeKeyboard(this, FindWindow(GetAffirmativeId()));
    return changed;
}

bool CTamberMenu::IsActive()
{
    return wxDialog::IsActive() || (IsModal() && ChoicePopupHoldsFocus());
}

void CTamberMenu::AddImage(const char* resourceName, double fx, double fy)
{
    wxSize screen = MenuScreenSize();
    layout->AddStaticBitmap(
        LoadBitmapFitted(resourceName, FractionOf(screen.x, fx), FractionOf(screen.y, fy)));
}

void CTamberMenu::AddButton(int id, const wxString& label)
{
    AddWindow(new CTamberMenuButton(this, id, label));
}

void CTamberMenu::AddText(const wxString& label)
{
    wxStaticText* text = layout->AddStaticText(label, LayoutLeft | LayoutBorder);
    SetWindowFontForPixelHeight(text, TextPixelHeight());
    text->SetForegroundColour(*wxWHITE);
}

void CTamberMenu::AddParagraph(const wxString& text, bool centreLines, double fx, double fy)
{
    auto* paragraph = new CMultiLineSizedText(this, text.utf8_str(), centreLines);
    SetWindowFontForPixelHeight(paragraph, TextPixelHeight());
    paragraph->SetForegroundColour(*wxWHITE);
    wxSize screen = MenuScreenSize();
    wxSize size(FractionOf(screen.x, fx), FractionOf(screen.y, fy));
    paragraph->SetMinSize(size);
    paragraph->SetMaxSize(size);
    AddWindow(paragraph);
}

void CTamberMenu::AddChoice(int* selectedIndex, const char** optionTexts)
{
    AddWindow(new CTamberMenuChoice(this, selectedIndex, optionTexts));
}

void CTamberMenu::AddLabelledChoice(const wxString& label, int* selectedIndex,
                                    const char** optionTexts)
{
    layout->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    AddText(label);
    AddChoice(selectedIndex, optionTexts);
    layout->PopSizer();
}

void CTamberMenu::AddKeyButton(int* keyCode)
{
    AddWindow(new CTamberMenuKeyButton(this, keyCode));
}

void CTamberMenu::AddWindow(wxWindow* window)
{
    layout->GetCurrentSizer()->Add(window, 0, wxALL, kBorder);
}

void CTamberMenu::AddSpacer(double fx, double fy)
{
    wxSize screen = MenuScreenSize();
    layout->GetCurrentSizer()->Add(FractionOf(screen.x, fx), FractionOf(screen.y, fy), 0, 0, 0);
}

void CTamberMenu::BeginFrame(const wxString& title)
{
    wxSizer* frame = layout->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    AddSpacer(0.01, 0);
    layout->PushSizer(new wxBoxSizer(wxVERTICAL), false);
    AddSpacer(0, 0.05);
    frames.push_back(MenuFrame{title, frame});
}

void CTamberMenu::EndFrame()
{
    AddSpacer(0, 0.01);
    layout->PopSizer();
    AddSpacer(0.01, 0);
    layout->PopSizer();
}

void CTamberMenu::EndGroup()
{
    layout->PopSizer();
}

// A second close before the modal loop has returned (two keys queued by the
// buttons, a click and a key) must not end it again.
void CTamberMenu::CloseWith(int id)
{
    if (IsModal())
        EndModal(id);
}

void CTamberMenu::OnEraseBackground(wxEraseEvent&) {}

void CTamberMenu::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    FillMenuBackground(dc, GetSize());

    int th = TextPixelHeight();
    SetFontForPixelHeight(dc, th);
    dc.SetTextForeground(*wxWHITE);
    for (const MenuFrame& frame : frames) {
        wxPoint at = frame.sizer->GetPosition();
        wxSize extent = frame.sizer->GetSize();
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetPen(*wxWHITE_PEN);
        dc.DrawRoundedRectangle(at.x + 3, at.y + th / 2, extent.x - 6, extent.y - th / 2 - 3, 6.0);
        wxCoord tw = 0, unused = 0;
        dc.GetTextExtent(frame.title, &tw, &unused);
        // Blanks the outline behind the title, a line high even when the
        // title is empty (an empty text measures 0 high here).
        dc.SetBrush(*wxBLACK_BRUSH);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(at.x + 12, at.y, tw + 12, MeasureLineHeight(dc, frame.title));
        dc.DrawText(frame.title, at.x + 18, at.y);
    }
}

void CTamberMenu::OnExitCommand(wxCommandEvent&)
{
    CloseWith(wxID_EXIT);
}

// Never refused, and the dialog stays: its owner destroys it.
void CTamberMenu::OnCloseWindow(wxCloseEvent&)
{
    CloseWith(wxID_EXIT);
}

void CTamberMenu::OnButton(wxCommandEvent& event)
{
    CloseWith(event.GetId());
}

void CTamberMenu::OnChar(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        CloseWith(GetEscapeId());
        break;
    case WXK_RETURN:
        CloseWith(GetAffirmativeId());
        break;
    default:
        event.Skip();
    }
}
