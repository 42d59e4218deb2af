// The controls a menu is made of: a picture button with a centred label, a
// choice among fixed option texts, and a button that takes the next key
// pressed. Sizes follow the stage height; the choice and the key button edit
// a value that the caller owns, through a pointer, and never close the menu.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include "screens/menu/homemade_button.h"

class wxDC;

// The stage's size, of which every size on a menu is a fraction; the display
// size while there is no game window.
wxSize MenuScreenSize();

// Paints the whole of a menu window black, as everything on a menu starts.
void FillMenuBackground(wxDC& dc, const wxSize& size);

enum ButtonPicture
{
    PictureNormal,
    PictureSelected,
    PictureFocused,
};

// Pressed and still over the button, or clicking, shows it selected; the
// focus shows only while no press is held.
ButtonPicture ChooseButtonPicture(bool hover, bool pressed, bool clicking, bool focused);

// How many times the three shared button pictures have been made; for tests.
int MenuButtonPictureBuilds();

class CTamberMenuButton : public CBaseHomemadeButton
{
public:
    CTamberMenuButton(wxWindow* parent, int id, const wxString& label);

    // The text drawn on the button.
    virtual wxString GetLabelText();
    // Extra drawing inside the text rectangle, which it may narrow.
    virtual void DrawDecoration(wxDC& dc, wxRect& textRect);

    wxString label;

private:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);

    wxDECLARE_EVENT_TABLE();
};

class CTamberMenuChoice : public CTamberMenuButton
{
public:
    // The texts end with a null entry; both the texts and the index must
    // outlive the control. An index past the last text starts at 0.
    CTamberMenuChoice(wxWindow* parent, int* selectedIndex, const char** optionTexts);

    wxString GetLabelText() override;
    void DrawDecoration(wxDC& dc, wxRect& textRect) override;

    // One option back or forward, never past either end; true if it moved.
    bool StepBack();
    bool StepForward();

    const char** texts;
    int* index;
    int count;

private:
    void OnMenu(wxCommandEvent& event);
    void OnClick(wxCommandEvent& event);
    void OnChar(wxKeyEvent& event);

    wxDECLARE_EVENT_TABLE();
};

class CTamberMenuKeyButton : public CTamberMenuButton
{
public:
    CTamberMenuKeyButton(wxWindow* parent, int* keyCode);

    wxString GetLabelText() override;

    bool waiting = false; // the next key pressed becomes the key
    int* keyCode;

private:
    void OnKeyDown(wxKeyEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnClick(wxCommandEvent& event);

    wxDECLARE_EVENT_TABLE();
};
