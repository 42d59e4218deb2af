#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <wx/fileconf.h>
#include <wx/statbmp.h>
#include <wx/timer.h>
#include <wx/wfstream.h>

#include "platform/durable_file_config.h"
#include "screens/menu/game_menus.h"
#include "screens/menu/menu_buttons.h"
#include "screens/menu/tamber_menu.h"
#include "screens/stage_select_screen.h"
#include "shell/game_window.h"
#include "shell/settings.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/game_window_sandbox.h"
#include "tests/support/gui_test_support.h"

namespace {

// The store, counting what reaches it.
class CountingConfig : public CDurableFileConfig
{
public:
    CountingConfig() : CDurableFileConfig("skylume", DefaultConfigFilePath("skylume")) {}

    bool Flush(bool currentOnly) override
    {
        ++flushes;
        return CDurableFileConfig::Flush(currentOnly);
    }

    std::vector<std::string> written;
    int flushes = 0;

protected:
    // Numbers are written as text: every write comes through here.
    bool DoWriteString(const wxString& key, const wxString& value) override
    {
        written.push_back(key.ToStdString());
        return CDurableFileConfig::DoWriteString(key, value);
    }
};

const std::vector<std::string> kSettingsKeys = {
    "/Player/Difficulty", "/Player/Music", "/Control/Speed", "/Control/Direction",
    "/Control/Left",      "/Control/Right", "/Control/Fire",
};

// The menus one after another: each step answers one menu and must end it.
class MenuScript
{
public:
    using Step = std::function<void(CTamberMenu&)>;

    explicit MenuScript(std::vector<Step> answers) : steps(std::move(answers)) { Arm(); }

    size_t Answered() const { return next; }

private:
    void Arm()
    {
        WhenModalDialogShows([this](wxDialog& dialog) {
            auto* menu = dynamic_cast<CTamberMenu*>(&dialog);
            ASSERT_NE(menu, nullptr);
            Step step = steps[next++];
            step(*menu);
            if (next < steps.size())
                Arm();
        });
    }

    std::vector<Step> steps;
    size_t next = 0;
};

// Presses and releases Escape once the stage selection has opened.
class LeaveTheStages : public wxTimer
{
public:
    LeaveTheStages() { Start(10); }

    bool left = false;

    void Notify() override
    {
        if (left || !g_graphics || g_graphics->inputCallback != CStageSelectScreen::OnInput)
            return;
        left = true;
        int32_t escape = WXK_ESCAPE;
        SendInput(InputKeyDown, &escape);
        SendInput(InputKeyUp, &escape);
    }
};

struct GameMenusTest : testing::Test
{
    ConfigSandbox sandbox;
    CountingConfig* store = new CountingConfig;
    GameWindowSandbox window;

    GameMenusTest()
    {
        wxConfigBase::Set(store);
        LoadSettings();
        store->written.clear();
        store->flushes = 0;
    }

    long Stored(const char* key)
    {
        wxFileInputStream in(sandbox.File());
        if (!in.IsOk())
            return -1000;
        wxFileConfig reader(in);
        return reader.ReadLong(key, -1000);
    }

    static void ExpectSettings(int difficulty, int music, int speed, int direction, int left,
                               int right, int fire)
    {
        const GameSettings& s = g_settings;
        EXPECT_EQ(s.difficulty, difficulty);
        EXPECT_EQ(s.music, music);
        EXPECT_EQ(s.speed, speed);
        EXPECT_EQ(s.direction, direction);
        EXPECT_EQ(s.leftKey, left);
        EXPECT_EQ(s.rightKey, right);
        EXPECT_EQ(s.fireKey, fire);
    }

    static void Press(CTamberMenu& menu, int id) { SendKey(menu.FindWindow(id), wxEVT_CHAR, WXK_RETURN); }

    static std::vector<CTamberMenuChoice*> Choices(CTamberMenu& menu)
    {
        return ChildrenOfType<CTamberMenuChoice>(&menu);
    }
    static std::vector<CTamberMenuKeyButton*> KeyButtons(CTamberMenu& menu)
    {
        return ChildrenOfType<CTamberMenuKeyButton>(&menu);
    }
};

} // namespace

TEST_F(GameMenusTest, TheTitleMenuHasItsPicturesAndThreeButtons)
{
    MenuScript script({[](CTamberMenu& menu) {
        PumpEvents(300);
        SaveScreenShot("menu-title");
        auto buttons = ChildrenOfType<CTamberMenuButton>(&menu);
        ASSERT_EQ(buttons.size(), 3u);
        EXPECT_EQ(buttons[0]->GetId(), 10001);
        EXPECT_EQ(buttons[0]->label, "Play");
        EXPECT_EQ(buttons[1]->GetId(), 10002);
        EXPECT_EQ(buttons[1]->label, "Settings");
        EXPECT_EQ(buttons[2]->GetId(), wxID_EXIT);
        EXPECT_EQ(buttons[2]->label, "Exit");
        // The column sits right of the picture, its buttons at the bottom.
        auto pictures = ChildrenOfType<wxStaticBitmap>(&menu);
        ASSERT_EQ(pictures.size(), 2u);
        wxRect about = pictures[1]->GetRect();
        EXPECT_GT(buttons[0]->GetPosition().x, about.GetRight());
        EXPECT_NEAR(buttons[2]->GetRect().GetBottom(), about.GetBottom(), 6);
        EXPECT_LE(menu.GetSize().y, 720);
        Press(menu, 10002);
    }});
    EXPECT_EQ(ShowTitleMenu(), 10002);
    EXPECT_EQ(script.Answered(), 1u);
}

TEST_F(GameMenusTest, TheTitleLoopComesBackAfterPlayAndSettingsAndEndsOnExit)
{
    LeaveTheStages escape;
    MenuScript script({
        [](CTamberMenu& menu) { Press(menu, 10001); }, // Play: the stage selection, left by Escape
        [](CTamberMenu& menu) { Press(menu, 10002); },
        [](CTamberMenu& menu) { Press(menu, wxID_CANCEL); }, // the settings menu
        [](CTamberMenu& menu) { SendKey(&menu, wxEVT_CHAR, WXK_RETURN); }, // 5100 shows it again
        [](CTamberMenu& menu) { Press(menu, wxID_EXIT); },
    });
    RunTitleMenu();
    EXPECT_EQ(script.Answered(), 5u);
    EXPECT_TRUE(escape.left);
    EXPECT_FALSE(IsQuitRequested());
    // The flow of play stored the stage its selection ended on; nothing else.
    EXPECT_EQ(store->written, std::vector<std::string>{"/Game/Medium/SelectedStage"});
}

TEST_F(GameMenusTest, EscapeOrAQuitFromTheSettingsEndsTheTitleLoop)
{
    {
        MenuScript script({[](CTamberMenu& menu) { SendKey(&menu, wxEVT_CHAR, WXK_ESCAPE); }});
        RunTitleMenu();
        EXPECT_EQ(script.Answered(), 1u);
    }
    {
        MenuScript script({
            [](CTamberMenu& menu) { Press(menu, 10002); },
            [](CTamberMenu& menu) { menu.Close(); }, // the settings menu through the window
        });
        RunTitleMenu();
        EXPECT_EQ(script.Answered(), 2u);
        EXPECT_TRUE(IsQuitRequested());
        EXPECT_TRUE(store->written.empty());
    }
    {
        MenuScript script({[](CTamberMenu& menu) { menu.Close(); }});
        g_graphics->quitRequested = 0;
        RunTitleMenu();
        EXPECT_EQ(script.Answered(), 1u);
    }
}

TEST_F(GameMenusTest, OkWritesTheSevenSettingsInOrderAndFlushesOnce)
{
    MenuScript script({[](CTamberMenu& menu) {
        PumpEvents(300);
        SaveScreenShot("menu-settings");
        Press(menu, wxID_OK);
    }});
    ShowSettingsMenu();
    EXPECT_EQ(store->written, kSettingsKeys); // even with nothing changed
    EXPECT_EQ(store->flushes, 1);
    EXPECT_EQ(Stored("/Player/Difficulty"), 1);
    EXPECT_EQ(Stored("/Player/Music"), 2);
    EXPECT_EQ(Stored("/Control/Speed"), 1);
    EXPECT_EQ(Stored("/Control/Direction"), 0);
    EXPECT_EQ(Stored("/Control/Left"), 314);
    EXPECT_EQ(Stored("/Control/Right"), 316);
    EXPECT_EQ(Stored("/Control/Fire"), 32);
}

TEST_F(GameMenusTest, EditedSettingsAreStoredOnEnterAndSurviveARestart)
{
    MenuScript script({[](CTamberMenu& menu) {
        std::vector<CTamberMenuChoice*> choices = Choices(menu);
        std::vector<CTamberMenuKeyButton*> keys = KeyButtons(menu);
        ASSERT_EQ(choices.size(), 4u);
        ASSERT_EQ(keys.size(), 3u);
        EXPECT_EQ(choices[0]->GetLabelText(), "Medium");
        EXPECT_EQ(choices[1]->GetLabelText(), "Loop");
        EXPECT_EQ(choices[2]->GetLabelText(), "Normal");
        EXPECT_EQ(choices[3]->GetLabelText(), "Normal");
        EXPECT_EQ(keys[0]->GetLabelText(), "Left");
        EXPECT_EQ(keys[1]->GetLabelText(), "Right");
        EXPECT_EQ(keys[2]->GetLabelText(), "Space");
        SendKey(choices[0], wxEVT_CHAR, WXK_RIGHT);
        SendKey(choices[1], wxEVT_CHAR, WXK_LEFT);
        SendKey(choices[1], wxEVT_CHAR, WXK_LEFT);
        SendKey(choices[2], wxEVT_CHAR, WXK_RIGHT);
        SendKey(choices[3], wxEVT_CHAR, WXK_DOWN);
        const int newKeys[3] = {'A', 'D', WXK_NUMPAD_ENTER};
        for (int i = 0; i < 3; ++i) {
            Press(menu, keys[i]->GetId());
            SendKey(keys[i], wxEVT_KEY_DOWN, newKeys[i]);
        }
        EXPECT_EQ(g_settings.difficulty, 1) << "edits reached the settings before OK";
        SendKey(&menu, wxEVT_CHAR, WXK_RETURN);
    }});
    ShowSettingsMenu();
    EXPECT_EQ(store->flushes, 1);
    ExpectSettings(2, 0, 2, 1, 'A', 'D', WXK_NUMPAD_ENTER);
    ConfigSandbox::Reset();
    g_settings = GameSettings{};
    LoadSettings();
    ExpectSettings(2, 0, 2, 1, 'A', 'D', WXK_NUMPAD_ENTER);
}

TEST_F(GameMenusTest, CancelEscapeAndCloseWriteNothing)
{
    GameSettings before = g_settings;
    auto editAll = [](CTamberMenu& menu) {
        for (CTamberMenuChoice* choice : Choices(menu))
            SendKey(choice, wxEVT_CHAR, WXK_RIGHT);
        CTamberMenuKeyButton* left = KeyButtons(menu)[0];
        Press(menu, left->GetId());
        SendKey(left, wxEVT_KEY_DOWN, 'Z');
    };
    MenuScript script({
        [&](CTamberMenu& menu) { editAll(menu); Press(menu, wxID_CANCEL); },
    });
    ShowSettingsMenu();
    MenuScript escape({
        [&](CTamberMenu& menu) { editAll(menu); SendKey(&menu, wxEVT_CHAR, WXK_ESCAPE); },
    });
    ShowSettingsMenu();
    EXPECT_FALSE(IsQuitRequested());
    MenuScript close({
        [&](CTamberMenu& menu) { editAll(menu); menu.Close(); },
    });
    ShowSettingsMenu();
    EXPECT_TRUE(IsQuitRequested());

    EXPECT_TRUE(store->written.empty());
    EXPECT_EQ(store->flushes, 0);
    EXPECT_EQ(std::memcmp(&before, &g_settings, sizeof before), 0);
}

TEST_F(GameMenusTest, OutOfRangeStoredSettingsShowAndStoreAsTheChoicesTakeThem)
{
    g_settings.difficulty = 7;
    g_settings.music = -1;
    g_settings.speed = 3;
    g_settings.direction = -5;
    g_settings.leftKey = 5;
    g_settings.fireKey = 100000;
    MenuScript script({[](CTamberMenu& menu) {
        std::vector<CTamberMenuChoice*> choices = Choices(menu);
        EXPECT_EQ(choices[0]->GetLabelText(), "Easy");
        EXPECT_EQ(choices[1]->GetLabelText(), "-");
        EXPECT_EQ(choices[2]->GetLabelText(), "Slow");
        EXPECT_EQ(choices[3]->GetLabelText(), "-");
        SendKey(choices[3], wxEVT_CHAR, WXK_LEFT); // stays shown as "-"
        EXPECT_EQ(KeyButtons(menu)[0]->GetLabelText(), "Key 5");
        EXPECT_EQ(KeyButtons(menu)[2]->GetLabelText(), "Key 100000");
        Press(menu, wxID_OK);
    }});
    ShowSettingsMenu();
    EXPECT_EQ(Stored("/Player/Difficulty"), 0);
    EXPECT_EQ(Stored("/Player/Music"), -1);
    EXPECT_EQ(Stored("/Control/Speed"), 0);
    EXPECT_EQ(Stored("/Control/Direction"), -5);
    EXPECT_EQ(Stored("/Control/Left"), 5);
    EXPECT_EQ(Stored("/Control/Fire"), 100000);
}

TEST_F(GameMenusTest, ThePauseMenuContinuesOrAborts)
{
    struct Case
    {
        MenuScript::Step answer;
        bool continues;
        bool quits;
    };
    const std::vector<Case> cases = {
        {[](CTamberMenu& m) { Press(m, wxID_OK); }, true, false},
        {[](CTamberMenu& m) { SendKey(&m, wxEVT_CHAR, WXK_RETURN); }, true, false},
        {[](CTamberMenu& m) { Press(m, wxID_CANCEL); }, false, false},
        {[](CTamberMenu& m) { SendKey(&m, wxEVT_CHAR, WXK_ESCAPE); }, false, false},
        {[](CTamberMenu& m) { m.Close(); }, false, true},
    };
    for (const Case& c : cases) {
        g_graphics->quitRequested = 0;
        MenuScript script({c.answer});
        EXPECT_EQ(ShowPauseMenu(), c.continues);
        EXPECT_EQ(IsQuitRequested(), c.quits);
    }
}

TEST_F(GameMenusTest, ThePauseMenuOpensOnContinueWithAbortOnItsLeft)
{
    MenuScript script({[](CTamberMenu& menu) {
        PumpUntil([&menu] { return menu.IsActive(); });
        PumpEvents(300);
        SaveScreenShot("menu-pause");
        wxWindow* abort = menu.FindWindow(wxID_CANCEL);
        wxWindow* resume = menu.FindWindow(wxID_OK);
        EXPECT_EQ(wxWindow::FindFocus(), resume);
        EXPECT_LT(abort->GetPosition().x, resume->GetPosition().x);
        EXPECT_EQ(static_cast<CTamberMenuButton*>(abort)->label, "Abort");
        EXPECT_EQ(static_cast<CTamberMenuButton*>(resume)->label, "Continue");
        PressKeys("Return");
        if (!PumpUntil([&menu] { return !menu.IsModal(); })) {
            ADD_FAILURE() << "Return did not close the pause menu";
            menu.EndModal(-1);
        }
    }});
    EXPECT_TRUE(ShowPauseMenu());
}
