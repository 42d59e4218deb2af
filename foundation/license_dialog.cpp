#include "foundation/license_dialog.h"

#include <wx/button.h>
#include <wx/textctrl.h>

#include "foundation/dialog_layout.h"
#include "foundation/keyboard_focus.h"
#include "foundation/terms_text.h"

CLicenseAgreementDialog::CLicenseAgreementDialog()
    : wxDialog(nullptr, wxID_ANY, "License Agreement", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog")
{
    CDialogLayout layout(this);
    auto* text = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(kTermsOfUseText),
                                wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY,
                                wxDefaultValidator, "text");
    text->SetSizeHints(400, 300);
    layout.GetCurrentSizer()->Add(text, 0, wxALL, 5);
    // Cancel is the default: accepting always takes a deliberate press of Agree.
    layout.AddButton(wxID_CANCEL, true, wxEmptyString);
    layout.AddButton(wxID_OK, false, "&Agree");
    layout.Finish();
    TakeKeyboardWhenShown(this);
}

CLicenseAgreementDialog::~CLicenseAgreementDialog() = default;
