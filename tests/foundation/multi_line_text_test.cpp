#include <gtest/gtest.h>

#include <wx/frame.h>

#include "foundation/multi_line_text.h"
#include "foundation/text_fitting.h"
#include "tests/support/gui_test_support.h"

namespace {

// Columns and rows of the window that hold any bright pixel.
struct Ink
{
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};

Ink InkOf(wxWindow* window)
{
    wxSize size = window->GetClientSize();
    wxImage image = CaptureScreen(wxRect(window->GetScreenPosition(), size));
    Ink ink;
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x)
            if (image.GetGreen(x, y) > 128) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

struct TextWindowTest : testing::Test
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "text", wxPoint(0, 0), wxSize(500, 300),
                                 wxBORDER_NONE);

    // A frame stretches a lone child over its client area: give it a panel.
    wxWindow* panel = new wxWindow(frame, wxID_ANY);

    TextWindowTest()
    {
        panel->SetBackgroundColour(*wxBLACK);
        frame->Show();
    }
    ~TextWindowTest() override { frame->Destroy(); }

    CMultiLineSizedText* Make(const char* text, bool centre)
    {
        auto* window = new CMultiLineSizedText(panel, text, centre);
        window->SetBackgroundColour(*wxBLACK);
        window->SetForegroundColour(*wxGREEN);
        SetWindowFontForPixelHeight(window, 20);
        window->SetSize(0, 0, 300, 200);
        window->Refresh();
        PumpEvents(300);
        return window;
    }
};

} // namespace

TEST_F(TextWindowTest, LinesSitFlushLeftOrCentredInAVerticallyCentredBlock)
{
    CMultiLineSizedText* left = Make("one\ntwo", false);
    Ink ink = InkOf(left);
    ASSERT_GE(ink.right, 0) << "nothing drawn";
    EXPECT_LE(ink.left, 3);
    int middle = (ink.top + ink.bottom) / 2;
    EXPECT_NEAR(middle, 100, 6);
    left->Destroy();

    CMultiLineSizedText* centred = Make("one\ntwo", true);
    ink = InkOf(centred);
    ASSERT_GE(ink.right, 0);
    EXPECT_NEAR((ink.left + ink.right) / 2, 150, 4);
}

TEST_F(TextWindowTest, EmptyTextDrawsNothing)
{
    CMultiLineSizedText* window = Make(nullptr, true);
    EXPECT_EQ(window->GetText(), "");
    EXPECT_EQ(InkOf(window).right, -1);
}
