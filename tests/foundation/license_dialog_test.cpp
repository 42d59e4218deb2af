#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "foundation/license_dialog.h"
#include "foundation/terms_text.h"
#include "tests/support/gui_test_support.h"

namespace {

wxButton* ButtonOf(wxDialog& dialog, int id)
{
    return dynamic_cast<wxButton*>(dialog.FindWindow(id));
}

} // namespace

TEST(LicenseDialog, OnlyAgreeAccepts)
{
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, [](wxDialog& d) { ClickButton(d, wxID_OK); }), wxID_OK);
    }
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, [](wxDialog& d) { ClickButton(d, wxID_CANCEL); }),
                  wxID_CANCEL);
    }
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, [](wxDialog& d) { PressEscape(d); }), wxID_CANCEL);
    }
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, [](wxDialog& d) { d.Close(); }), wxID_CANCEL);
    }
}

TEST(LicenseDialog, RealKeysFromTheKeyboard)
{
    // Through the X server, as a player's keys arrive.
    auto pressOn = [](int key, int modifiers) {
        return [key, modifiers](wxDialog& d) {
            d.Raise();
            d.SetFocus();
            PumpEvents(200);
            wxUIActionSimulator sim;
            sim.MouseMove(d.GetScreenRect().GetPosition() + wxPoint(20, 40));
            PumpEvents(100);
            sim.Char(key, modifiers);
            PumpEvents(300);
            if (d.IsModal())
                d.EndModal(-1); // the key never arrived: fail, do not hang
        };
    };
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, pressOn(WXK_ESCAPE, wxMOD_NONE)), wxID_CANCEL);
    }
    {
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, pressOn('a', wxMOD_ALT)), wxID_OK);
    }
    {
        // Enter presses the default button, which is Cancel.
        CLicenseAgreementDialog dialog;
        EXPECT_EQ(ShowModalAndDo(dialog, pressOn(WXK_RETURN, wxMOD_NONE)), wxID_CANCEL);
    }
}

TEST(LicenseDialog, ShowsTheWholeTextReadOnly)
{
    CLicenseAgreementDialog dialog;
    EXPECT_EQ(dialog.GetTitle(), "License Agreement");
    auto* text = dynamic_cast<wxTextCtrl*>(dialog.FindWindow("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->IsEditable());
    EXPECT_TRUE(text->IsMultiLine());
    wxString value = text->GetValue();
    EXPECT_EQ(value.length(), 3414u);
    EXPECT_EQ(value, wxString::FromUTF8(kTermsOfUseText));
    EXPECT_EQ(value.Freq('\n'), 26); // 14 paragraphs, blank lines between

    text->ChangeValue("edited"); // the program itself can, the user cannot
    EXPECT_FALSE(text->IsEditable());
}

TEST(LicenseDialog, CancelIsTheDefaultAndTheTextSetsTheSize)
{
    CLicenseAgreementDialog dialog;
    wxButton* cancel = ButtonOf(dialog, wxID_CANCEL);
    wxButton* agree = ButtonOf(dialog, wxID_OK);
    ASSERT_NE(cancel, nullptr);
    ASSERT_NE(agree, nullptr);
    EXPECT_EQ(dialog.GetDefaultItem(), cancel);
    EXPECT_EQ(agree->GetLabel(), "&Agree");
    EXPECT_EQ(cancel->GetLabelText(), "Cancel");

    auto* text = dynamic_cast<wxTextCtrl*>(dialog.FindWindow("text"));
    EXPECT_EQ(text->GetSize(), wxSize(400, 300));
    wxSize client = dialog.GetClientSize();
    EXPECT_GE(client.x, 400 + 20);
    EXPECT_GT(client.y, 300 + 20 + agree->GetSize().y);
    EXPECT_FALSE(dialog.HasFlag(wxRESIZE_BORDER));
}
