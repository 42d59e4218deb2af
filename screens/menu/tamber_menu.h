// The modal dialog every menu is built on: borderless and black over the
// game window, filled by builder calls, sized to its content and centred.
// It closes with an id: the pressed button's, 5100 on Enter, 5101 on Escape,
// or 5006 when closed through the window. Sizes given to the builders are
// fractions of the stage's width and height.
#pragma once

#include <list>

#include <wx/dialog.h>

class CDialogLayout;
class wxSizer;

struct MenuFrame
{
    wxString title;
    wxSizer* sizer; // the frame's outer sizer, owned by the dialog's tree
};

class CTamberMenu : public wxDialog
{
public:
    CTamberMenu();
    ~CTamberMenu() override;

    // Lays the menu out on first showing, shows the cursor and suspends the
    // mouse capture while it runs; returns the closing id.
    int ShowModal() override;
    // Shown, the menu takes the keyboard where no window manager hands it over.
    bool Show(bool show = true) override;
    // Also while a choice's popup holds the focus itself, so that opening
    // one where no window manager keeps the menu active is not taken for
    // the program losing the focus.
    bool IsActive() override;

    // Builders: each adds to the current group, with a 5-pixel border unless
    // said otherwise. All before the showing.
    void AddImage(const char* resourceName, double fx, double fy);
    void AddButton(int id, const wxString& label);
    void AddText(const wxString& label);
    void AddParagraph(const wxString& text, bool centreLines, double fx, double fy);
    // The index and the null-terminated texts must outlive the menu.
    void AddChoice(int* selectedIndex, const char** optionTexts);
    void AddLabelledChoice(const wxString& label, int* selectedIndex, const char** optionTexts);
    void AddKeyButton(int* keyCode);
    void AddWindow(wxWindow* window);
    // A fixed gap, without border.
    void AddSpacer(double fx, double fy);
    // A titled, outlined frame around what is added until EndFrame.
    void BeginFrame(const wxString& title);
    void EndFrame();
    // Closes a group the caller pushed on the layout.
    void EndGroup();

    CDialogLayout* layout; // null once laid out
    std::list<MenuFrame> frames;

private:
    void CloseWith(int id);
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnExitCommand(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void OnButton(wxCommandEvent& event);
    void OnChar(wxKeyEvent& event);

    wxDECLARE_EVENT_TABLE();
};
