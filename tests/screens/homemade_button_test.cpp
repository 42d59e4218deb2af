#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/panel.h>

#include "screens/menu/homemade_button.h"
#include "screens/menu/key_names.h"
#include "tests/support/gui_test_support.h"

namespace {

// A panel moves the focus among its children, as a dialog does. It counts
// the clicks that reach it and the keys handed to it.
class Parent : public wxPanel
{
public:
    explicit Parent(wxWindow* owner) : wxPanel(owner, wxID_ANY)
    {
        Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { clicks.push_back(e.GetId()); });
        Bind(wxEVT_CHAR, [this](wxKeyEvent& e) { keys.push_back(e.GetKeyCode()); });
    }
    std::vector<int> clicks;
    std::vector<int> keys;
};

struct ButtonTest : testing::Test
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "buttons", wxPoint(0, 0), wxSize(300, 200));
    Parent* parent = new Parent(frame);
    CBaseHomemadeButton* first = new CBaseHomemadeButton(parent, 10001);
    CBaseHomemadeButton* second = new CBaseHomemadeButton(parent, 10002);

    ButtonTest()
    {
        parent->SetSize(0, 0, 300, 200);
        first->SetSize(10, 10, 100, 40);
        second->SetSize(10, 60, 100, 40);
        frame->Show();
        PumpEvents(200);
    }
    ~ButtonTest() override { frame->Destroy(); }

    void Mouse(CBaseHomemadeButton* button, wxEventType type, int x = 5, int y = 5)
    {
        wxMouseEvent event(type);
        event.SetPosition(wxPoint(x, y));
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }

    void Key(CBaseHomemadeButton* button, int code, int modifiers = wxMOD_NONE)
    {
        SendKey(button, wxEVT_CHAR, code, modifiers);
    }
};

} // namespace

TEST_F(ButtonTest, PressAndReleaseOnTheButtonClicksOnce)
{
    Mouse(first, wxEVT_ENTER_WINDOW);
    Mouse(first, wxEVT_LEFT_DOWN);
    EXPECT_TRUE(first->pressed);
    EXPECT_TRUE(first->HasCapture());
    Mouse(first, wxEVT_LEFT_DOWN); // a second down changes nothing
    EXPECT_TRUE(first->pressed);
    Mouse(first, wxEVT_LEFT_UP);
    EXPECT_EQ(parent->clicks, std::vector<int>{10001});
    EXPECT_FALSE(first->pressed);
    EXPECT_FALSE(first->HasCapture());
    EXPECT_FALSE(first->clicking);
}

TEST_F(ButtonTest, DraggingOffCancelsAndBackOnRestores)
{
    Mouse(first, wxEVT_ENTER_WINDOW);
    Mouse(first, wxEVT_LEFT_DOWN);
    Mouse(first, wxEVT_MOTION, 150, 5); // captured: motion still arrives outside
    EXPECT_FALSE(first->hover);
    Mouse(first, wxEVT_LEFT_UP, 150, 5);
    EXPECT_TRUE(parent->clicks.empty());
    EXPECT_FALSE(first->pressed);

    Mouse(first, wxEVT_MOTION, 5, 5);
    Mouse(first, wxEVT_LEFT_DOWN);
    Mouse(first, wxEVT_MOTION, 5, -1);
    Mouse(first, wxEVT_MOTION, 99, 39); // the last pixel inside
    EXPECT_TRUE(first->hover);
    Mouse(first, wxEVT_LEFT_UP, 99, 39);
    EXPECT_EQ(parent->clicks.size(), 1u);
}

TEST_F(ButtonTest, LosingTheCaptureClearsThePress)
{
    Mouse(first, wxEVT_ENTER_WINDOW);
    Mouse(first, wxEVT_LEFT_DOWN);
    wxMouseCaptureLostEvent lost(first->GetId());
    lost.SetEventObject(first);
    first->ProcessWindowEvent(lost);
    EXPECT_FALSE(first->pressed);
    Mouse(first, wxEVT_LEFT_UP);
    EXPECT_TRUE(parent->clicks.empty());
    if (first->HasCapture())
        first->ReleaseMouse();
}

TEST_F(ButtonTest, EnterClicksWithoutFocus)
{
    second->SetFocus();
    Key(first, WXK_RETURN);
    EXPECT_EQ(parent->clicks, std::vector<int>{10001});
}

TEST_F(ButtonTest, TabAndArrowsMoveFocusOnlyFromTheFocusedButton)
{
    first->SetFocus();
    PumpEvents(50);
    ASSERT_EQ(wxWindow::FindFocus(), first);
    Key(first, WXK_TAB);
    EXPECT_EQ(wxWindow::FindFocus(), second);
    Key(second, WXK_UP);
    EXPECT_EQ(wxWindow::FindFocus(), first);
    Key(first, WXK_DOWN);
    EXPECT_EQ(wxWindow::FindFocus(), second);
    Key(second, WXK_TAB, wxMOD_SHIFT);
    EXPECT_EQ(wxWindow::FindFocus(), first);
    EXPECT_TRUE(parent->keys.empty());

    // From a button without the focus they go to the parent like any key.
    Key(second, WXK_TAB);
    Key(second, WXK_LEFT);
    EXPECT_EQ(wxWindow::FindFocus(), first);
    EXPECT_TRUE(parent->keys.empty()); // queued, not handled yet
    PumpEvents(50);
    EXPECT_EQ(parent->keys, (std::vector<int>{WXK_TAB, WXK_LEFT}));
}

TEST_F(ButtonTest, OtherKeysReachTheParentLater)
{
    first->SetFocus();
    Key(first, WXK_ESCAPE);
    Key(first, 'q');
    EXPECT_TRUE(parent->keys.empty());
    PumpEvents(50);
    EXPECT_EQ(parent->keys, (std::vector<int>{WXK_ESCAPE, 'q'}));
    EXPECT_TRUE(parent->clicks.empty());
}

TEST(KeyNames, NamedAndPlainKeys)
{
    EXPECT_EQ(GetKeyName(314), "Left");
    EXPECT_EQ(GetKeyName(370), "Num Pad Enter");
    EXPECT_EQ(GetKeyName(65), "A");
    EXPECT_EQ(GetKeyName(49), "1");
    EXPECT_EQ(GetKeyName(32), "Space");
    EXPECT_EQ(GetKeyName(300), "Windows");
    EXPECT_EQ(GetKeyName(305), "Clear");
    EXPECT_EQ(GetKeyName(324), "Num Pad 0");
    EXPECT_EQ(GetKeyName(333), "Num Pad 9");
    EXPECT_EQ(GetKeyName(340), "F1");
    EXPECT_EQ(GetKeyName(363), "F24");
    EXPECT_EQ(GetKeyName(371), "Num Pad F1");
    EXPECT_EQ(GetKeyName(396), "Command");
    EXPECT_EQ(GetKeyName(306), "Shift");
    // No row: a printable character as itself, anything else by number.
    EXPECT_EQ(GetKeyName(126), "~");
    EXPECT_EQ(GetKeyName(233), wxString::FromUTF8("\xc3\xa9"));
    EXPECT_EQ(GetKeyName(1), "Key 1");
    EXPECT_EQ(GetKeyName(10), "Key 10");
    EXPECT_EQ(GetKeyName(0), "Key 0");
    EXPECT_EQ(GetKeyName(-5), "Key -5");
    EXPECT_EQ(GetKeyName(150), "Key 150");
    EXPECT_EQ(GetKeyName(160), "Key 160");
    EXPECT_EQ(GetKeyName(304), "Key 304");
    EXPECT_EQ(GetKeyName(397), "Key 397");
    EXPECT_EQ(GetKeyName(100000), "Key 100000");
}
