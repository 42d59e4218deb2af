// Fills a window with controls through a stack of nested sizers. The
// builder owns nothing: controls are children of the window and every sizer
// ends up in the window's sizer tree.
#pragma once

#include <list>

#include <wx/bitmap.h>
#include <wx/sizer.h>
#include <wx/string.h>

class wxButton;
class wxStaticBitmap;
class wxStaticText;
class wxWindow;

enum
{
    LayoutCentre = 0,
    LayoutLeft = 1,
    LayoutRight = 2,
    LayoutExpand = 3,
    LayoutBorder = 0x10,
};

class CDialogLayout
{
public:
    explicit CDialogLayout(wxWindow* parent);

    wxSizer* PushSizer(wxSizer* sizer, bool border);
    wxSizer* PushFlexGridSizer();
    wxSizer* PushBoxSizer(bool vertical, bool border);
    wxSizer* PushStaticBoxSizer(const wxString& label);
    wxSizer* PopSizer();
    wxSizer* GetCurrentSizer();

    wxWindow* AddWindow(wxWindow* window, int layout);
    wxStaticText* AddStaticText(const wxString& label, int layout);
    wxStaticBitmap* AddStaticBitmap(const wxBitmap& bitmap);
    wxButton* AddButton(int id, bool isDefault, const wxString& label);

    void Finish();
    void ApplyLayout();

    size_t GetDepth() const { return stack.size(); }

private:
    wxWindow* parent;
    wxStdDialogButtonSizer* buttons;
    std::list<wxSizer*> stack;
    bool centre;
};
