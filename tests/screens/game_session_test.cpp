// A whole session of the flow of play with the real screens, the real level,
// its celebration and the real pause menu on the game window: a won level is
// recorded at once and the next one offered; a close through the pause menu
// ends the session.
#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/wfstream.h>

#include "audio/music_data.h"
#include "screens/flow_of_play.h"
#include "screens/level_complete_screen.h"
#include "screens/level_select_screen.h"
#include "screens/selection_screen.h"
#include "screens/stage_select_screen.h"
#include "shell/graphics.h"
#include "shell/settings.h"
#include "tests/screens/screen_script.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/gui_test_support.h"
#include "tests/world/play_view_checks.h"
#include "tests/support/sound_thread_stub.h"
#include "world/bubble_world.h"

namespace {

struct GameSession : testing::Test
{
    static void SetUpTestSuite() { OpenGameWindow(); }
    static void TearDownTestSuite() { CloseGameWindow(); }

    ConfigSandbox sandbox;
    Script script{CStageSelectScreen::OnInput};

    GameSession()
    {
        g_graphics->active = 1;
        g_graphics->quitRequested = 0;
        WriteConfigInt("/Player/Difficulty", 0);
        WriteConfigInt("/Player/TutorialRun", 1);
        WriteConfigInt("/Game/Easy/MaximumLevel", 3);
        WriteConfigInt("/Game/Easy/SelectedLevel1", 3);
        LoadSettings();
    }

    void Run()
    {
        script.Start(10);
        RunGameSession();
        script.Stop();
        EXPECT_EQ(script.stalled, "");
    }

    long OnDisk(const char* key)
    {
        wxFileInputStream in(sandbox.File());
        wxFileConfig reader(in);
        return reader.ReadLong(key, -1000);
    }

    static CBubbleWorld& World() { return Running<CBubbleWorld>(); }

    // Stage 1 from the stage wheel, then its level from the level wheel.
    void ChooseTheLevel()
    {
        script.Add("stage wheel", [] { return After(2); }, [] { Press(kKeyEnter); });
        script.Add(CLevelSelectScreen::OnInput, "level wheel", [] { return After(2); },
                   [] { Press(kKeyEnter); });
    }
};

} // namespace

TEST_F(GameSession, AWonLevelIsSavedAtOnceAndTheNextLevelOffered)
{
    SoundThreadStub sound;
    ChooseTheLevel();
    script.Add(CBubbleWorld::OnInput, "playing", [] { return World().clock >= 1.5; },
               [] { World().state = kWorldWon; });
    // The progress is on the disk while the celebration shows the level won.
    script.Add(CLevelCompleteScreen::OnInput, "the celebration", [] { return After(5); }, [this] {
        EXPECT_EQ(OnDisk("/Game/Easy/HighScore4"), 1);
        EXPECT_EQ(OnDisk("/Game/Easy/MaximumLevel"), 4);
        Press(kKeyEnter);
    });
    script.Add(CLevelSelectScreen::OnInput, "the next level", [] { return After(2); }, [] {
        EXPECT_EQ(Running<CLevelSelectScreen>().current, 4u);
        Press(kKeyEscape);
    });
    script.Add("the stage wheel again", [] { return After(2); }, [] { Press(kKeyEscape); });
    Run();
    EXPECT_EQ(g_settings.highScore[0][3], 1);
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedLevel1"), 4);
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedStage"), 0);

    std::vector<MSG> received = sound.Received();
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(received[0].message, UINT(WM_SOUND_MUSIC));
    EXPECT_EQ(received[0].lParam, SOUND_LOOP);
    EXPECT_EQ(received[1].message, UINT(WM_SOUND_PLAY));
    EXPECT_EQ(received[2].message, UINT(WM_SOUND_ENABLE));
    EXPECT_EQ(received.back().message, UINT(WM_SOUND_DISABLE));
    auto* music = reinterpret_cast<CMusicData*>(received[0].wParam);
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->refCount, 1);
    music->Release();
}

TEST_F(GameSession, ClosingThePauseMenuThroughTheWindowEndsTheSession)
{
    ChooseTheLevel();
    script.Add(CBubbleWorld::OnInput, "playing", [] { return After(5); }, [] {
        WhenModalDialogShows([](wxDialog& menu) { menu.Close(); });
        SendInput(InputClose, nullptr);
    });
    Run();
    EXPECT_TRUE(IsQuitRequested());
    EXPECT_EQ(g_settings.maximumLevel[0], 3);
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedLevel1"), 3);
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedStage"), 0);
    EXPECT_EQ(g_graphics->inputCallback, nullptr);
}
