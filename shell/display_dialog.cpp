#include "shell/display_dialog.h"

#include <algorithm>
#include <iterator>
#include <tuple>

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/statbmp.h>

#include "foundation/dialog_layout.h"
#include "foundation/keyboard_focus.h"
#include "shell/display_mode.h"
#include "shell/images.h"

namespace {

enum
{
    ListId = 10001,
};

double AspectDeviation(const VideoMode& mode)
{
    double ratio = double(std::min(mode.width, mode.height)) / std::max(mode.width, mode.height);
    return (0.75 - ratio) * (0.75 - ratio);
}

double AreaDistance(const VideoMode& mode)
{
    double pixels = double(mode.width) * mode.height;
    return (pixels - 1.6e6) * (pixels - 1.6e6);
}

bool AscendingDepthWidthHeight(const VideoMode& a, const VideoMode& b)
{
    return std::tie(a.depth, a.width, a.height) < std::tie(b.depth, b.width, b.height);
}

// The keys with which the player moves to a row of the list or picks it.
bool ChoosesInList(int key)
{
    static const int keys[] = {
        WXK_UP, WXK_DOWN, WXK_HOME, WXK_END, WXK_PAGEUP, WXK_PAGEDOWN, WXK_SPACE,
        WXK_NUMPAD_UP, WXK_NUMPAD_DOWN, WXK_NUMPAD_HOME, WXK_NUMPAD_END,
        WXK_NUMPAD_PAGEUP, WXK_NUMPAD_PAGEDOWN,
    };
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

} // namespace

wxBEGIN_EVENT_TABLE(CDisplayDialog, wxDialog)
    EVT_BUTTON(wxID_OK, CDisplayDialog::OnOK)
    EVT_SIZE(CDisplayDialog::OnMoveOrSize)
    EVT_MOVE(CDisplayDialog::OnMoveOrSize)
    EVT_LISTBOX(ListId, CDisplayDialog::OnSelect)
    EVT_LISTBOX_DCLICK(ListId, CDisplayDialog::OnOK)
wxEND_EVENT_TABLE()

bool ModeRanksBefore(const VideoMode& a, const VideoMode& b)
{
    if (a.depth == 32 && b.depth != 32)
        return true;
    if (b.depth == 32 && a.depth != 32)
        return false;
    double devA = AspectDeviation(a), devB = AspectDeviation(b);
    if (devA < devB)
        return true;
    if (devA > devB)
        return false;
    return AreaDistance(a) < AreaDistance(b);
}

wxString FormatModeText(const VideoMode& mode)
{
    wxString depth;
    if (mode.depth != 0)
        depth.Printf("%d bits per pixel.", mode.depth);
    return wxString::Format("%d by %d pixels. %s", mode.width, mode.height, depth);
}

std::vector<VideoMode> RankedUsableModes(const VideoModeList& all)
{
    std::vector<VideoMode> kept;
    for (int i = 0; i < all.count; ++i) {
        VideoMode mode = all.modes[i];
        mode.refresh = 0;
        if (!IsUsableMode(mode))
            continue;
        if (std::none_of(kept.begin(), kept.end(),
                         [&](const VideoMode& k) { return SameVideoMode(k, mode); }))
            kept.push_back(mode);
    }
    std::sort(kept.begin(), kept.end(), AscendingDepthWidthHeight);
    std::stable_sort(kept.begin(), kept.end(), ModeRanksBefore);
    return kept;
}

CDisplayDialog::CDisplayDialog()
    : wxDialog(nullptr, wxID_ANY, "Display Settings", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog")
    , list(nullptr)
    , okButton(nullptr)
    , listedDisplay(0)
    , chosenMode{0, 0, 0, 0}
    , playerChoosing(false)
{
    CDialogLayout layout(this);
    layout.PushBoxSizer(false, false);
    wxBitmap about = LoadBitmapResized("about", 50, -1);
    if (about.IsOk())
        layout.AddStaticBitmap(about);
    layout.PushBoxSizer(true, false);
    wxString text;
    if (GetDisplayCount() > 1)
        text.Printf("Please drag this window to the display and choose \nthe display settings you "
                    "would like to use to play \n%s.",
                    "Skylume");
    else
        text.Printf("Please choose the display settings you would like to \nuse to play %s.",
                    "Skylume");
    layout.AddStaticText(text, LayoutLeft | LayoutBorder);
    layout.AddStaticText("The settings are listed from most recommended \nto least recommended.",
                         LayoutLeft | LayoutBorder);
    layout.PopSizer();
    layout.PopSizer();
    list = new wxListBox(this, ListId, wxDefaultPosition, wxSize(300, 150), 0, nullptr,
                         wxLB_SINGLE | wxLB_NEEDED_SB | wxLB_HSCROLL, wxDefaultValidator,
                         "listBox");
    layout.GetCurrentSizer()->Add(list, 0, wxALL, 5);
    list->Bind(wxEVT_KEY_DOWN, &CDisplayDialog::OnListKey, this);
    list->Bind(wxEVT_LEFT_DOWN, &CDisplayDialog::OnListClick, this);
    layout.AddStaticText("Hold down the Ctrl key to see this dialog in the future.",
                         LayoutLeft | LayoutBorder);
    okButton = layout.AddButton(wxID_OK, true, wxEmptyString);
    layout.AddButton(wxID_CANCEL, false, wxEmptyString);
    EnableOk();
    layout.Finish();
    // The toolkit may deliver the size and move events of the layout later.
    RefreshModeList();
    TakeKeyboardWhenShown(this);
}

CDisplayDialog::~CDisplayDialog() = default;

void CDisplayDialog::EnableOk()
{
    okButton->Enable(list->GetSelection() != wxNOT_FOUND);
}

void CDisplayDialog::RefreshModeList()
{
    if (!list || !okButton)
        return;
    wxRect rect = GetScreenRect();
    int index = GetDisplayFromRect(DisplayRect{rect.x, rect.y, rect.width, rect.height});
    if (!modes.empty() && index == listedDisplay)
        return;
    listedDisplay = index;
    modes.clear();
    if (index >= 0) {
        VideoModeList all;
        GetVideoModes(index, &all);
        modes = RankedUsableModes(all);
    }
    wxArrayString rows;
    for (const VideoMode& mode : modes)
        rows.Add(FormatModeText(mode));
    list->Set(rows);
    playerChoosing = false;
    EnableOk();
}

void CDisplayDialog::OnMoveOrSize(wxSizeEvent& event)
{
    RefreshModeList();
    event.Skip();
}

void CDisplayDialog::OnMoveOrSize(wxMoveEvent& event)
{
    RefreshModeList();
    event.Skip();
}

void CDisplayDialog::OnSelect(wxCommandEvent&)
{
    if (!playerChoosing)
        list->SetSelection(wxNOT_FOUND);
    EnableOk();
}

void CDisplayDialog::OnListKey(wxKeyEvent& event)
{
    int key = event.GetKeyCode();
    // Enter confirms a chosen row; it never chooses one (GTK would take the
    // row under its cursor).
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && list->GetSelection() == wxNOT_FOUND)
        return;
    if (ChoosesInList(key))
        playerChoosing = true;
    event.Skip();
}

void CDisplayDialog::OnListClick(wxMouseEvent& event)
{
    playerChoosing = true;
    event.Skip();
}

void CDisplayDialog::OnOK(wxCommandEvent&)
{
    int selection = list->GetSelection();
    if (selection == wxNOT_FOUND || selection < 0 || selection >= int(modes.size()))
        return;
    chosenMode = modes[selection];
    EndModal(wxID_OK);
}
