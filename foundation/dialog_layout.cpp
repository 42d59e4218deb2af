#include "foundation/dialog_layout.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/window.h>

namespace {

const int kBorder = 5;

int FlagsForLayout(int layout)
{
    int flags = 0;
    switch (layout & 0x0F) {
    case LayoutCentre: flags = wxCENTRE; break;
    case LayoutRight: flags = wxALIGN_RIGHT; break;
    case LayoutExpand: flags = wxEXPAND; break;
    default: break; // left, and any unknown placement
    }
    if (layout & LayoutBorder)
        flags |= wxALL;
    return flags;
}

} // namespace

CDialogLayout::CDialogLayout(wxWindow* parentWindow)
    : parent(parentWindow), buttons(nullptr), centre(true)
{
    PushSizer(new wxBoxSizer(wxVERTICAL), true);
}

wxSizer* CDialogLayout::PushSizer(wxSizer* sizer, bool border)
{
    if (!stack.empty()) {
        if (border)
            stack.back()->Add(sizer, 0, wxEXPAND | wxALL, kBorder);
        else
            stack.back()->Add(sizer, 0, wxEXPAND, 0);
    }
    stack.push_back(sizer);
    return sizer;
}

wxSizer* CDialogLayout::PushFlexGridSizer()
{
    return PushSizer(new wxFlexGridSizer(3, 2, 0, 0), false);
}

wxSizer* CDialogLayout::PushBoxSizer(bool vertical, bool border)
{
    return PushSizer(new wxBoxSizer(vertical ? wxVERTICAL : wxHORIZONTAL), border);
}

wxSizer* CDialogLayout::PushStaticBoxSizer(const wxString& label)
{
    return PushSizer(new wxStaticBoxSizer(wxVERTICAL, parent, label), true);
}

wxSizer* CDialogLayout::PopSizer()
{
    if (stack.size() <= 1)
        throw "{74663E4A-0E33-4bca-904E-2D9FA7404551}";
    wxSizer* sizer = stack.back();
    stack.pop_back();
    return sizer;
}

wxSizer* CDialogLayout::GetCurrentSizer()
{
    return stack.back();
}

wxWindow* CDialogLayout::AddWindow(wxWindow* window, int layout)
{
    int flags = FlagsForLayout(layout);
    GetCurrentSizer()->Add(window, 0, flags, (layout & LayoutBorder) ? kBorder : 0);
    return window;
}

wxStaticText* CDialogLayout::AddStaticText(const wxString& label, int layout)
{
    auto* text = new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, 0,
                                  "staticText");
    AddWindow(text, layout);
    return text;
}

wxStaticBitmap* CDialogLayout::AddStaticBitmap(const wxBitmap& bitmap)
{
    auto* control = new wxStaticBitmap(parent, wxID_ANY, bitmap, wxDefaultPosition, wxDefaultSize,
                                       0, "staticBitmap");
    AddWindow(control, LayoutCentre | LayoutBorder);
    return control;
}

wxButton* CDialogLayout::AddButton(int id, bool isDefault, const wxString& label)
{
    if (!buttons)
        buttons = new wxStdDialogButtonSizer();
    auto* button = new wxButton(parent, id, label, wxDefaultPosition, wxDefaultSize, 0,
                                wxDefaultValidator, "button");
    buttons->AddButton(button);
    if (isDefault)
        button->SetDefault();
    return button;
}

void CDialogLayout::Finish()
{
    if (stack.size() != 1)
        throw "{46A447EF-631B-4af7-BD8E-BB2C769A8E10}";
    if (buttons) {
        buttons->Realize();
        PushSizer(buttons, true);
        PopSizer();
    }
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(stack.front(), 0, wxEXPAND | wxALL, kBorder);
    parent->SetSizerAndFit(outer);
    ApplyLayout();
    std::list<wxSizer*>().swap(stack);
}

void CDialogLayout::ApplyLayout()
{
    parent->SetMinSize(wxSize(0, 0));
    parent->Layout();
    parent->Fit();
    if (centre)
        parent->Centre(wxBOTH);
}
