// The dialog in which the user chooses the video mode to play in, on the
// display the dialog lies on. Dragging it onto another display lists that
// display's modes.
#pragma once

#include <vector>

#include <wx/dialog.h>

#include "platform/display_modes.h"

class wxButton;
class wxListBox;

class CDisplayDialog : public wxDialog
{
public:
    CDisplayDialog();
    ~CDisplayDialog() override;

    // Refills the list when the dialog lies on another display than the
    // listed one, or the list is empty.
    void RefreshModeList();

    wxListBox* list;
    wxButton* okButton;
    int listedDisplay;               // the display whose modes are listed; -1 for none
    VideoMode chosenMode;            // set by OK, refresh rate 0
    std::vector<VideoMode> modes;    // row i of the list shows entry i

private:
    void OnOK(wxCommandEvent& event);
    void OnMoveOrSize(wxSizeEvent& event);
    void OnMoveOrSize(wxMoveEvent& event);
    void OnSelect(wxCommandEvent& event);
    void OnListKey(wxKeyEvent& event);
    void OnListClick(wxMouseEvent& event);
    void EnableOk();

    // GTK selects the first row when the list takes the focus: a row counts
    // only once the player has clicked in the list or chosen in it by key.
    bool playerChoosing;

    wxDECLARE_EVENT_TABLE();
};

// The ranking of the list: 32-bit modes first, then the shape nearest 4:3,
// then the area nearest 1,600,000 pixels.
bool ModeRanksBefore(const VideoMode& a, const VideoMode& b);
wxString FormatModeText(const VideoMode& mode);
// The usable modes of a display as the list shows them: each size and depth
// once, with refresh rate 0, best first.
std::vector<VideoMode> RankedUsableModes(const VideoModeList& all);
