#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "foundation/dialog_layout.h"

namespace {

struct LayoutTest : testing::Test
{
    wxDialog* dialog = new wxDialog(nullptr, wxID_ANY, "layout");
    ~LayoutTest() override { dialog->Destroy(); }

    wxSizer* Root()
    {
        return dialog->GetSizer()->GetItem(size_t(0))->GetSizer();
    }
};

} // namespace

TEST_F(LayoutTest, WithoutButtonsTheRootHoldsOnlyTheItems)
{
    CDialogLayout layout(dialog);
    layout.AddStaticText("one", LayoutLeft);
    layout.AddStaticText("two", LayoutLeft);
    layout.Finish();

    wxSizer* outer = dialog->GetSizer();
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->GetItemCount(), 1u);
    wxSizerItem* rootItem = outer->GetItem(size_t(0));
    EXPECT_EQ(rootItem->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(rootItem->GetBorder(), 5);
    EXPECT_EQ(Root()->GetItemCount(), 2u);
}

TEST_F(LayoutTest, ButtonRowGoesLastWhenEverItWasAdded)
{
    CDialogLayout layout(dialog);
    wxButton* ok = layout.AddButton(wxID_OK, true, "Go");
    wxButton* cancel = layout.AddButton(wxID_CANCEL, false, wxEmptyString);
    wxStaticText* text = layout.AddStaticText("after the buttons", LayoutCentre);
    layout.Finish();

    ASSERT_EQ(Root()->GetItemCount(), 2u);
    EXPECT_EQ(Root()->GetItem(size_t(0))->GetWindow(), text);
    wxSizerItem* row = Root()->GetItem(size_t(1));
    ASSERT_NE(row->GetSizer(), nullptr);
    EXPECT_NE(row->GetSizer()->GetItem(ok, true), nullptr);
    EXPECT_EQ(row->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(row->GetBorder(), 5);
    EXPECT_EQ(dialog->GetDefaultItem(), ok);
    EXPECT_EQ(cancel->GetLabelText(), "Cancel"); // the stock label for an empty one
    EXPECT_EQ(ok->GetName(), "button");
    EXPECT_EQ(text->GetName(), "staticText");
}

TEST_F(LayoutTest, PoppingTheRootThrowsAndKeepsTheStack)
{
    CDialogLayout layout(dialog);
    try {
        layout.PopSizer();
        FAIL() << "no throw";
    } catch (const char* guid) {
        EXPECT_STREQ(guid, "{74663E4A-0E33-4bca-904E-2D9FA7404551}");
    }
    EXPECT_EQ(layout.GetDepth(), 1u);
    layout.PushBoxSizer(false, false);
    EXPECT_NO_THROW(layout.PopSizer());
    EXPECT_THROW(layout.PopSizer(), const char*);
}

TEST_F(LayoutTest, FinishingWithAGroupOpenThrowsBeforeTouchingTheWindow)
{
    CDialogLayout layout(dialog);
    layout.PushStaticBoxSizer("group");
    try {
        layout.Finish();
        FAIL() << "no throw";
    } catch (const char* guid) {
        EXPECT_STREQ(guid, "{46A447EF-631B-4af7-BD8E-BB2C769A8E10}");
    }
    EXPECT_EQ(dialog->GetSizer(), nullptr);
    layout.PopSizer();
    layout.Finish();
    EXPECT_NE(dialog->GetSizer(), nullptr);
}

TEST_F(LayoutTest, PushedSizersAlwaysExpandAndBorderOnlyWhenAsked)
{
    CDialogLayout layout(dialog);
    wxSizer* plain = layout.PushBoxSizer(true, false);
    layout.PopSizer();
    wxSizer* bordered = layout.PushBoxSizer(false, true);
    layout.PopSizer();
    wxSizer* grid = layout.PushFlexGridSizer();
    EXPECT_EQ(layout.GetCurrentSizer(), grid);
    layout.PopSizer();
    wxSizer* root = layout.GetCurrentSizer();

    wxSizerItem* a = root->GetItem(plain);
    wxSizerItem* b = root->GetItem(bordered);
    wxSizerItem* c = root->GetItem(grid);
    EXPECT_EQ(a->GetFlag(), wxEXPAND);
    EXPECT_EQ(a->GetBorder(), 0);
    EXPECT_EQ(b->GetFlag(), wxEXPAND | wxALL);
    EXPECT_EQ(b->GetBorder(), 5);
    EXPECT_EQ(c->GetFlag(), wxEXPAND);
    auto* flex = dynamic_cast<wxFlexGridSizer*>(grid);
    ASSERT_NE(flex, nullptr);
    EXPECT_EQ(flex->GetCols(), 2);
    EXPECT_EQ(flex->GetVGap(), 0);
    EXPECT_EQ(a->GetProportion(), 0);
    layout.Finish();
}

TEST_F(LayoutTest, LayoutValuesChooseAlignmentAndBorder)
{
    CDialogLayout layout(dialog);
    struct Case { int layout; int flags; int border; } cases[] = {
        {LayoutCentre, wxCENTRE, 0},
        {LayoutLeft, 0, 0},
        {LayoutRight, wxALIGN_RIGHT, 0},
        {LayoutExpand, wxEXPAND, 0},
        {7, 0, 0},
        {15, 0, 0},
        {LayoutExpand | LayoutBorder, wxEXPAND | wxALL, 5},
        {LayoutLeft | LayoutBorder, wxALL, 5},
    };
    for (const Case& c : cases) {
        wxStaticText* text = layout.AddStaticText("x", c.layout);
        wxSizerItem* item = layout.GetCurrentSizer()->GetItem(text);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetFlag(), c.flags) << c.layout;
        EXPECT_EQ(item->GetBorder(), c.border) << c.layout;
        EXPECT_EQ(item->GetProportion(), 0);
    }
    layout.Finish();
}

TEST_F(LayoutTest, BitmapsAreCentredWithBorderInAnyGroup)
{
    CDialogLayout layout(dialog);
    layout.PushBoxSizer(false, false);
    wxBitmap bitmap(8, 8);
    wxStaticBitmap* control = layout.AddStaticBitmap(bitmap);
    wxSizerItem* item = layout.GetCurrentSizer()->GetItem(control);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetFlag(), wxCENTRE | wxALL);
    EXPECT_EQ(item->GetBorder(), 5);
    EXPECT_EQ(control->GetName(), "staticBitmap");
    layout.PopSizer();
    layout.Finish();
}

TEST_F(LayoutTest, FinishedWindowIsFittedAndCentred)
{
    CDialogLayout layout(dialog);
    wxStaticText* text = layout.AddStaticText("A line of some width", LayoutBorder);
    layout.Finish();
    wxSize client = dialog->GetClientSize();
    wxSize best = text->GetBestSize();
    // 5 pixels of the item, 5 of the root inside the outer box: 10 on each side.
    EXPECT_EQ(client.x, best.x + 20);
    EXPECT_EQ(client.y, best.y + 20);
    wxRect screen = wxDisplay(0u).GetGeometry();
    wxRect rect = dialog->GetRect();
    EXPECT_NEAR(rect.x + rect.width / 2, screen.x + screen.width / 2, 2);
    EXPECT_NEAR(rect.y + rect.height / 2, screen.y + screen.height / 2, 2);
}
