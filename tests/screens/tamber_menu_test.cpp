#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <GL/gl.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "foundation/dialog_layout.h"
#include "foundation/multi_line_text.h"
#include "screens/menu/menu_buttons.h"
#include "screens/menu/tamber_menu.h"
#include "shell/mouse.h"
#include "tests/support/game_window_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

const char* kOptions[] = {"One", "Two", nullptr};

struct MenuTest : testing::Test
{
    GameWindowSandbox window; // 1280 x 720

    // Three buttons in a row, the middle one affirmative.
    static void AddThreeButtons(CTamberMenu& menu)
    {
        menu.layout->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
        menu.AddButton(10001, "First");
        menu.AddButton(wxID_OK, "OK");
        menu.AddButton(10003, "Third");
        menu.EndGroup();
    }

    static wxWindow* Button(CTamberMenu& menu, int id) { return menu.FindWindow(id); }
};

std::string Thrown(const std::function<void()>& action)
{
    try {
        action();
    } catch (const char* guid) {
        return guid;
    }
    return "";
}

} // namespace

TEST_F(MenuTest, ClosesWithTheButtonsIdOrEnterEscapeAndTheWindow)
{
    {
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowActiveAndDo(menu, [](wxDialog& d) {
                      SendKey(d.FindWindow(10003), wxEVT_CHAR, WXK_RETURN);
                  }),
                  10003);
    }
    {
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowActiveAndDo(menu, [](wxDialog& d) { SendKey(&d, wxEVT_CHAR, WXK_RETURN); }),
                  wxID_OK);
    }
    {
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowActiveAndDo(menu, [](wxDialog& d) { SendKey(&d, wxEVT_CHAR, WXK_ESCAPE); }),
                  wxID_CANCEL);
    }
    {
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowActiveAndDo(menu, [](wxDialog& d) { EXPECT_TRUE(d.Close()); }), wxID_EXIT);
        EXPECT_FALSE(menu.IsBeingDeleted());
    }
    {
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowActiveAndDo(menu, [](wxDialog& d) {
                      wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
                      d.ProcessWindowEvent(exit);
                  }),
                  wxID_EXIT);
    }
}

TEST_F(MenuTest, RealKeysCloseAsThePlayerExpects)
{
    {
        // Enter on the focused affirmative button: its own id.
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowModalWithKeys(menu, "Return"), wxID_OK);
    }
    {
        // Enter on another focused button gives that button's id, not 5100.
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowModalWithKeys(menu, "Tab Return"), 10003);
    }
    {
        // Escape from a focused button travels to the menu.
        CTamberMenu menu;
        AddThreeButtons(menu);
        EXPECT_EQ(ShowModalWithKeys(menu, "Escape"), wxID_CANCEL);
    }
}

TEST_F(MenuTest, TwoClosingKeysInOneGoEndTheMenuOnce)
{
    CTamberMenu menu;
    AddThreeButtons(menu);
    int id = ShowActiveAndDo(menu, [](wxDialog& d) {
        wxWindow* focused = d.FindWindow(wxID_OK);
        SendKey(focused, wxEVT_CHAR, WXK_ESCAPE); // both queued to the menu
        SendKey(focused, wxEVT_CHAR, WXK_ESCAPE);
        SendKey(focused, wxEVT_CHAR, WXK_RETURN); // and a click on top
    });
    EXPECT_EQ(id, wxID_OK);
    PumpEvents(50); // the queued keys reach a menu that has ended
}

TEST_F(MenuTest, FocusStartsOnTheAffirmativeControlAndMovesWithTabAndArrows)
{
    CTamberMenu menu;
    AddThreeButtons(menu);
    std::vector<int> seen;
    ShowActiveAndDo(menu, [&seen](wxDialog& d) {
        auto focusId = [] { return wxWindow::FindFocus() ? wxWindow::FindFocus()->GetId() : 0; };
        PumpUntil([&] { return focusId() == wxID_OK; }, 1000);
        seen.push_back(focusId());
        for (const char* key : {"Tab", "Tab", "shift+Tab", "Left", "Up", "Right", "Down"}) {
            int before = focusId();
            PressKeys(key);
            PumpUntil([&] { return focusId() != before; }, 1000);
            seen.push_back(focusId());
        }
        d.EndModal(0);
    });
    // Tab wraps round; Left and Up go back, Right and Down forward.
    EXPECT_EQ(seen, (std::vector<int>{wxID_OK, 10003, 10001, 10003, wxID_OK, 10001, wxID_OK, 10003}));
}

TEST_F(MenuTest, WhileUpTheStageIsBlackAndTheCursorFreeAfterwardsAllAsBefore)
{
    CGameGraphics* g = g_graphics;
    ASSERT_TRUE(g->stage->MakeCurrent());
    glViewport(0, 0, g->width, g->height);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    g->stage->SwapBuffers();
    PumpEvents(100);
    ASSERT_EQ(CaptureScreen(wxRect(10, 10, 1, 1)).GetRed(0, 0), 255);

    SetCursorPos(30, 40);
    BeginMouseCapture();
    ASSERT_EQ(CursorShowCount(), -1);
    CTamberMenu menu;
    AddThreeButtons(menu);
    ShowActiveAndDo(menu, [g](wxDialog& d) {
        EXPECT_EQ(g->activeMenu, &d);
        EXPECT_EQ(g->menuCount, 1);
        EXPECT_EQ(CursorShowCount(), 0);
        EXPECT_EQ(CursorPosition().x, 30);
        EXPECT_EQ(CursorPosition().y, 40);
        PumpEvents(150);
        wxImage corner = CaptureScreen(wxRect(10, 10, 1, 1));
        EXPECT_EQ(corner.GetRed(0, 0), 0) << "stage not black under the menu";
        SetCursorPos(50, 60);
        d.EndModal(0);
    });
    EXPECT_EQ(g->activeMenu, nullptr);
    EXPECT_EQ(g->menuCount, 0);
    EXPECT_EQ(CursorShowCount(), -1);
    EXPECT_EQ(g->savedCursorX, 50); // where the player left it
    EXPECT_EQ(CursorPosition().x, 640);
    EXPECT_EQ(CursorPosition().y, 360);
    EndMouseCapture();
    EXPECT_EQ(CursorShowCount(), 0);
    EXPECT_EQ(CursorPosition().x, 50);
}

TEST_F(MenuTest, WithoutCaptureTheMenuNeitherShowsNorHidesTheCursor)
{
    CTamberMenu menu;
    AddThreeButtons(menu);
    ShowActiveAndDo(menu, [](wxDialog& d) {
        EXPECT_EQ(CursorShowCount(), 0);
        d.EndModal(0);
    });
    EXPECT_EQ(CursorShowCount(), 0);
}

TEST_F(MenuTest, BuildersSizeByFractionsOfTheScreen)
{
    CTamberMenu menu;
    menu.AddImage("about", 0.4, 0.6); // 640 x 640 into 512 x 432
    menu.AddText("Label:");
    menu.AddParagraph("Some words\nover lines", true, 0.25, 0.1);
    menu.AddSpacer(0.1, 0.05);
    menu.AddImage("no_such_picture", 0.5, 0.5);
    menu.Fit();

    auto bitmaps = ChildrenOfType<wxStaticBitmap>(&menu);
    ASSERT_EQ(bitmaps.size(), 2u);
    ASSERT_TRUE(bitmaps[0]->GetBitmap().IsOk());
    EXPECT_EQ(bitmaps[0]->GetBitmap().GetWidth(), 432);
    EXPECT_EQ(bitmaps[0]->GetBitmap().GetHeight(), 432);
    EXPECT_FALSE(bitmaps[1]->GetBitmap().IsOk());

    auto texts = ChildrenOfType<wxStaticText>(&menu);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->GetForegroundColour(), *wxWHITE);
    wxClientDC dc(texts[0]);
    dc.SetFont(texts[0]->GetFont());
    EXPECT_LE(dc.GetCharHeight(), 720 / 24);
    EXPECT_GT(dc.GetCharHeight(), 720 / 24 - 6);

    auto paragraphs = ChildrenOfType<CMultiLineSizedText>(&menu);
    ASSERT_EQ(paragraphs.size(), 1u);
    EXPECT_EQ(paragraphs[0]->GetMinSize(), wxSize(320, 72));
    EXPECT_EQ(paragraphs[0]->GetMaxSize(), wxSize(320, 72));

    wxSizerItemList& items = menu.layout->GetCurrentSizer()->GetChildren();
    ASSERT_EQ(items.size(), 5u);
    wxSizerItem* spacer = items[3];
    ASSERT_TRUE(spacer->IsSpacer());
    EXPECT_EQ(spacer->GetSpacer(), wxSize(128, 36));
    EXPECT_EQ(spacer->GetBorder(), 0);
    EXPECT_EQ(items[1]->GetBorder(), 5);
    EXPECT_EQ(items[1]->GetFlag() & wxALL, wxALL);
}

TEST_F(MenuTest, FramesAreOutlinedWithTheirTitleInTheLine)
{
    int picked = 0;
    CTamberMenu menu;
    menu.BeginFrame("Frame");
    menu.AddButton(10001, "Inside");
    menu.EndFrame();
    menu.BeginFrame("");
    menu.AddLabelledChoice("Pick:", &picked, kOptions);
    menu.EndFrame();
    ASSERT_EQ(menu.frames.size(), 2u);
    EXPECT_EQ(menu.frames.front().title, "Frame");

    ShowActiveAndDo(menu, [&menu](wxDialog& d) {
        PumpEvents(200);
        wxPoint origin = d.GetScreenPosition();
        for (const MenuFrame& frame : menu.frames) {
            wxRect box(origin + frame.sizer->GetPosition(), frame.sizer->GetSize());
            wxImage shot = CaptureScreen(box);
            int line = 720 / 24 / 2; // the outline's top edge runs through the title
            int white = 0, titleGap = 0;
            for (int x = 0; x < box.width; ++x)
                white += shot.GetRed(x, line) > 200 ? 1 : 0;
            for (int x = 12; x < 18; ++x)
                titleGap += shot.GetRed(x, line) > 200 ? 1 : 0;
            EXPECT_GT(white, box.width / 2) << "no outline along the top of '" << frame.title << "'";
            EXPECT_EQ(titleGap, 0) << "the title's black box is missing";
            EXPECT_GT(shot.GetRed(box.width / 2, box.height - 4), 200) << "no bottom edge";
        }
        d.EndModal(0);
    });
}

TEST_F(MenuTest, LayoutMistakesThrowTheirGuids)
{
    {
        CTamberMenu menu;
        EXPECT_EQ(Thrown([&] { menu.EndGroup(); }), "{74663E4A-0E33-4bca-904E-2D9FA7404551}");
        EXPECT_EQ(Thrown([&] { menu.EndFrame(); }), "{74663E4A-0E33-4bca-904E-2D9FA7404551}");
    }
    {
        CTamberMenu menu;
        menu.BeginFrame("Open");
        EXPECT_EQ(Thrown([&] { menu.ShowModal(); }), "{46A447EF-631B-4af7-BD8E-BB2C769A8E10}");
        EXPECT_EQ(g_graphics->menuCount, 0);
    } // destroyed with the frame still open: nothing more is thrown
    {
        CTamberMenu menu; // never shown: the layout is still installed
        menu.AddButton(10001, "Lone");
    }
}
