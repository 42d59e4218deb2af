#include "screens/menu/menu_buttons.h"

#include <wx/dcbuffer.h>
#include <wx/module.h>
#include <wx/utils.h>

#include "foundation/text_fitting.h"
#include "screens/menu/choice_popup.h"
#include "screens/menu/key_names.h"
#include "shell/graphics.h"
#include "shell/images.h"

wxBEGIN_EVENT_TABLE(CTamberMenuButton, CBaseHomemadeButton)
    EVT_PAINT(CTamberMenuButton::OnPaint)
    EVT_ERASE_BACKGROUND(CTamberMenuButton::OnEraseBackground)
wxEND_EVENT_TABLE()

wxBEGIN_EVENT_TABLE(CTamberMenuChoice, CTamberMenuButton)
    EVT_MENU(wxID_ANY, CTamberMenuChoice::OnMenu)
    EVT_BUTTON(wxID_ANY, CTamberMenuChoice::OnClick)
    EVT_CHAR(CTamberMenuChoice::OnChar)
wxEND_EVENT_TABLE()

wxBEGIN_EVENT_TABLE(CTamberMenuKeyButton, CTamberMenuButton)
    EVT_KEY_DOWN(CTamberMenuKeyButton::OnKeyDown)
    EVT_KILL_FOCUS(CTamberMenuKeyButton::OnKillFocus)
    EVT_BUTTON(wxID_ANY, CTamberMenuKeyButton::OnClick)
wxEND_EVENT_TABLE()

namespace {

const int kFirstOptionId = 10001;

// The three button pictures, shared by every button of one height.
struct ButtonPictures
{
    wxBitmap* pictures[3] = {nullptr, nullptr, nullptr}; // by ButtonPicture
    int height = 0;
    int width = 0; // of the normal picture
    int builds = 0;
};

ButtonPictures g_pictures;

void FreePictures()
{
    for (wxBitmap*& picture : g_pictures.pictures) {
        delete picture;
        picture = nullptr;
    }
}

// Frees the pictures while the toolkit is still there to release them.
class CMenuPicturesModule : public wxModule
{
public:
    bool OnInit() override { return true; }
    void OnExit() override { FreePictures(); }

private:
    wxDECLARE_DYNAMIC_CLASS(CMenuPicturesModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(CMenuPicturesModule, wxModule);

void MakePictures(int height)
{
    if (height == g_pictures.height)
        return;
    const char* const names[3] = {"button_normal", "button_selected", "button_focused"};
    FreePictures();
    for (int i = 0; i < 3; ++i)
        g_pictures.pictures[i] = new wxBitmap(LoadBitmapResized(names[i], -1, height));
    g_pictures.height = height;
    const wxBitmap& normal = *g_pictures.pictures[PictureNormal];
    g_pictures.width = normal.IsOk() ? normal.GetWidth() : 0;
    ++g_pictures.builds;
}

} // namespace

wxSize MenuScreenSize()
{
    if (g_graphics)
        return wxSize(g_graphics->width, g_graphics->height);
    return wxGetDisplaySize();
}

void FillMenuBackground(wxDC& dc, const wxSize& size)
{
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);
}

ButtonPicture ChooseButtonPicture(bool hover, bool pressed, bool clicking, bool focused)
{
    if ((hover && pressed) || clicking)
        return PictureSelected;
    if (!pressed && focused)
        return PictureFocused;
    return PictureNormal;
}

int MenuButtonPictureBuilds()
{
    return g_pictures.builds;
}

CTamberMenuButton::CTamberMenuButton(wxWindow* parent, int id, const wxString& text)
    : CBaseHomemadeButton(parent, id), label(text)
{
    SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    MakePictures(MenuScreenSize().y / 20);
    wxSize size(g_pictures.width, g_pictures.height);
    SetMinSize(size);
    SetMaxSize(size);
    SetSize(size);
}

wxString CTamberMenuButton::GetLabelText()
{
    return label;
}

void CTamberMenuButton::DrawDecoration(wxDC&, wxRect&) {}

void CTamberMenuButton::OnEraseBackground(wxEraseEvent&) {}

void CTamberMenuButton::OnPaint(wxPaintEvent&)
{
    wxBufferedPaintDC dc(this);
    wxSize size = GetSize();
    FillMenuBackground(dc, size);

    ButtonPicture picture = ChooseButtonPicture(hover, pressed, clicking, FindFocus() == this);
    const wxBitmap* bitmap = g_pictures.pictures[picture];
    if (bitmap && bitmap->IsOk())
        dc.DrawBitmap(*bitmap, 0, 0, true);

    int inset = size.y * (picture == PictureSelected ? 12 : 10) / 100;
    wxRect textRect(inset, inset, size.x - 2 * inset, size.y - 2 * inset);
    DrawDecoration(dc, textRect);
    dc.SetTextForeground(*wxBLACK);
    dc.SetTextBackground(*wxWHITE);
    DrawTextInBox(dc, GetLabelText(), textRect.x, textRect.y, textRect.width, textRect.height,
                  textRect.height);
}

CTamberMenuChoice::CTamberMenuChoice(wxWindow* parent, int* selectedIndex,
                                     const char** optionTexts)
    : CTamberMenuButton(parent, wxID_ANY, wxString()), texts(optionTexts), index(selectedIndex),
      count(0)
{
    while (texts[count])
        ++count;
    if (*index >= count)
        *index = 0;
}

wxString CTamberMenuChoice::GetLabelText()
{
    if (*index >= 0 && *index < count)
        return wxString::FromUTF8(texts[*index]);
    return "-";
}

// A downward mark in a square at the right end of the text rectangle.
void CTamberMenuChoice::DrawDecoration(wxDC& dc, wxRect& textRect)
{
    int side = textRect.height;
    textRect.width -= side;
    int right = textRect.x + textRect.width;
    int cx = right + side / 2, cy = textRect.y + side / 2, d = (2 * side) / 16;
    wxPoint mark[3] = {{cx - 2 * d, cy - d}, {cx + 2 * d, cy - d}, {cx, cy + d}};
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawPolygon(3, mark);
}

// A stored index below 0 shows "-": back does nothing from there, and
// forward goes to the first option.
bool CTamberMenuChoice::StepBack()
{
    if (*index <= 0)
        return false;
    *index -= 1;
    return true;
}

bool CTamberMenuChoice::StepForward()
{
    if (*index < 0) {
        *index = 0;
        return true;
    }
    if (*index + 1 >= count)
        return false;
    *index += 1;
    return true;
}

void CTamberMenuChoice::OnMenu(wxCommandEvent& event)
{
    int option = event.GetId() - kFirstOptionId;
    if (option >= 0 && option < count)
        *index = option;
    Refresh(true);
}

// The options drop down in the menu's text size, over the mark's end of the
// button; the chosen one arrives as a menu command, as from a menu.
void CTamberMenuChoice::OnClick(wxCommandEvent&)
{
    int textHeight = MenuScreenSize().y / 24;
    SetWindowFontForPixelHeight(this, textHeight);
    wxFont font = GetFont();
    wxSize size = GetSize();
    int row = RunChoicePopup(this, wxPoint(size.x - size.y, 0), font, textHeight, texts, count,
                             *index);
    if (row < 0)
        return;
    wxCommandEvent chosen(wxEVT_MENU, kFirstOptionId + row);
    chosen.SetEventObject(this);
    GetEventHandler()->ProcessEvent(chosen);
}

void CTamberMenuChoice::OnChar(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_LEFT:
    case WXK_UP:
        if (StepBack())
            Refresh(true);
        break;
    case WXK_RIGHT:
    case WXK_DOWN:
        if (StepForward())
            Refresh(true);
        break;
    default:
        event.Skip();
    }
}

CTamberMenuKeyButton::CTamberMenuKeyButton(wxWindow* parent, int* key)
    : CTamberMenuButton(parent, wxID_ANY, wxString()), keyCode(key)
{
}

wxString CTamberMenuKeyButton::GetLabelText()
{
    return waiting ? wxString("Press Key...") : GetKeyName(*keyCode);
}

// While waiting, the key is taken here: it reaches neither the focus
// navigation nor the menu. Escape cancels without closing the menu.
void CTamberMenuKeyButton::OnKeyDown(wxKeyEvent& event)
{
    if (!waiting) {
        event.Skip();
        return;
    }
    if (event.GetKeyCode() != WXK_ESCAPE)
        *keyCode = event.GetKeyCode();
    waiting = false;
    Refresh(true);
}

void CTamberMenuKeyButton::OnKillFocus(wxFocusEvent& event)
{
    waiting = false;
    event.Skip();
}

void CTamberMenuKeyButton::OnClick(wxCommandEvent&)
{
    waiting = !waiting;
    SetFocus();
}
