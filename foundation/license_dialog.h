// The modal dialog in which the user accepts the terms of use. It only shows
// the text and returns the answer: wxID_OK for "&Agree", wxID_CANCEL for
// Cancel, Escape or the close box.
#pragma once

#include <wx/dialog.h>

class CLicenseAgreementDialog : public wxDialog
{
public:
    CLicenseAgreementDialog();
    ~CLicenseAgreementDialog() override;
};
