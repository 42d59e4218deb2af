// The flow of play with stand-in screens: which screens follow which, what
// each one is given, what is recorded and when it reaches the disk, and the
// messages the sound thread receives.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/wfstream.h>

#include "audio/music_data.h"
#include "platform/durable_file_config.h"
#include "screens/flow_of_play.h"
#include "screens/level_complete_screen.h"
#include "screens/level_play.h"
#include "screens/level_select_screen.h"
#include "screens/stage_complete_screen.h"
#include "screens/stage_select_screen.h"
#include "screens/tutorial.h"
#include "shell/graphics.h"
#include "shell/settings.h"
#include "world/play_session.h"
#include "tests/support/config_sandbox.h"
#include "tests/support/sound_thread_stub.h"

namespace {

wxInitializer g_toolkit;

// The store, listing every write as "key=value" in order.
class RecordingConfig : public CDurableFileConfig
{
public:
    RecordingConfig() : CDurableFileConfig("skylume", DefaultConfigFilePath("skylume")) {}

    std::vector<std::string> writes;

protected:
    bool DoWriteString(const wxString& key, const wxString& value) override
    {
        writes.push_back((key + "=" + value).ToStdString());
        return CDurableFileConfig::DoWriteString(key, value);
    }
};

// One screen of the script: which screen is expected and what it does.
struct Scene
{
    const char* screen; // "stage", "level", "play", "tutorial", "level done" or "stage done"
    std::function<bool(PlaySession&)> act;
};

std::deque<Scene> g_script;
std::vector<PlaySession> g_seen; // the session as each screen received it

bool Show(const char* screen, PlaySession* session)
{
    g_seen.push_back(*session);
    if (g_script.empty()) {
        ADD_FAILURE() << "the flow showed the " << screen << " screen past the script";
        g_graphics->quitRequested = 1;
        return false;
    }
    Scene scene = g_script.front();
    g_script.pop_front();
    EXPECT_STREQ(scene.screen, screen);
    return scene.act(*session);
}

// What the real selection screens leave in the session.
Scene StageScreen(uint32_t item, bool confirm)
{
    return {"stage", [=](PlaySession& s) {
                s.tutorialRequested = item == 0;
                s.stage = item == 0 ? 0 : item - 1;
                return confirm;
            }};
}

Scene ChooseStage(uint32_t item) { return StageScreen(item, true); }
Scene AbortStages(uint32_t item) { return StageScreen(item, false); }

Scene LevelScreen(uint32_t level, bool confirm)
{
    return {"level", [=](PlaySession& s) {
                s.level = level;
                return confirm;
            }};
}

Scene ChooseLevel(uint32_t level) { return LevelScreen(level, true); }
Scene AbortLevels(uint32_t level) { return LevelScreen(level, false); }

Scene PlayLevel(bool won, int32_t seconds, bool quit = false)
{
    return {"play", [=](PlaySession& s) {
                s.levelTime = seconds;
                if (quit)
                    g_graphics->quitRequested = 1;
                return won;
            }};
}

Scene Win(int32_t seconds) { return PlayLevel(true, seconds); }

Scene Shown(const char* screen)
{
    return {screen, [](PlaySession&) { return true; }};
}

const Scene kTutorial = Shown("tutorial");
const Scene kLevelDone = Shown("level done");
const Scene kStageDone = Shown("stage done");
Scene Abort(int32_t seconds) { return PlayLevel(false, seconds); }

// Runs a check when the flow reaches the next screen, which then acts.
Scene Then(Scene scene, std::function<void(PlaySession&)> check)
{
    auto act = scene.act;
    scene.act = [act, check](PlaySession& s) {
        check(s);
        return act(s);
    };
    return scene;
}

struct FlowOfPlay : testing::Test
{
    ConfigSandbox sandbox;
    RecordingConfig* store = nullptr;
    CGameGraphics graphics;

    FlowOfPlay()
    {
        std::memset(&graphics, 0, sizeof graphics);
        g_graphics = &graphics;
        g_script.clear();
        g_seen.clear();
        Restart();
    }

    ~FlowOfPlay() override { g_graphics = nullptr; }

    // A new start of the program: the store read afresh from the disk.
    void Restart(std::initializer_list<std::pair<const char*, int>> stored = {})
    {
        ConfigSandbox::Reset();
        for (const auto& item : stored)
            WriteConfigInt(item.first, item.second);
        ConfigSandbox::Reset();
        store = new RecordingConfig;
        wxConfigBase::Set(store);
        LoadSettings();
        store->writes.clear();
    }

    void Run(std::vector<Scene> scenes)
    {
        g_script.assign(scenes.begin(), scenes.end());
        g_seen.clear();
        RunGameSession();
        EXPECT_TRUE(g_script.empty()) << g_script.size() << " screens were not shown";
    }

    // What another reader finds on the disk right now.
    long OnDisk(const char* key)
    {
        wxFileInputStream in(sandbox.File());
        if (!in.IsOk())
            return -1000;
        wxFileConfig reader(in);
        return reader.ReadLong(key, -1000);
    }
};

} // namespace

bool RunStageSelectScreen(PlaySession* session) { return Show("stage", session); }
bool RunLevelSelectScreen(PlaySession* session) { return Show("level", session); }
bool RunLevel(PlaySession* session) { return Show("play", session); }

void RunLevelCompleteScreen(const PlaySession* session)
{
    PlaySession seen = *session;
    Show("level done", &seen);
}

void RunStageCompleteScreen(PlaySession* session) { Show("stage done", session); }

void RunTutorial()
{
    PlaySession none{};
    Show("tutorial", &none);
}

TEST_F(FlowOfPlay, TheSessionComesFromTheSettingsOfTheDifficulty)
{
    Restart({{"/Player/Difficulty", 2}, {"/Control/Speed", 2}, {"/Control/Direction", 1},
             {"/Game/Hard/SelectedStage", 1}, {"/Game/Hard/MaximumLevel", 14},
             {"/Game/Medium/MaximumLevel", 30}, {"/Game/Hard/SelectedLevel2", 3}});
    Run({ChooseStage(2), AbortLevels(3), AbortStages(2)});
    const PlaySession& s = g_seen[0];
    EXPECT_EQ(s.difficulty, 2);
    EXPECT_EQ(s.speed, 2);
    EXPECT_EQ(s.direction, 1);
    EXPECT_EQ(s.stage, 1u);
    EXPECT_EQ(s.maximumLevel, 14u);
    EXPECT_EQ(s.bestTimes, g_settings.highScore[2]);
    EXPECT_EQ(s.tutorialRun, 0);
    EXPECT_EQ(g_seen[1].level, 3u); // the stage's stored level
    EXPECT_EQ(g_seen[1].tutorialRun, 1);
}

TEST_F(FlowOfPlay, TheTutorialFlagIsWrittenOnEveryConfirmedChoiceBeforeItRuns)
{
    Run({ChooseStage(0),
         Then(kTutorial, [&](PlaySession&) { EXPECT_EQ(OnDisk("/Player/TutorialRun"), 1); }),
         Then(AbortStages(0), [&](PlaySession& s) { EXPECT_EQ(s.tutorialRun, 1); })});
    EXPECT_EQ(g_seen[0].tutorialRun, 0);
    // After the tutorial the stage selection again, with the stage as it
    // left it.
    EXPECT_EQ(g_seen[2].stage, 0u);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 0);

    Restart();
    EXPECT_EQ(g_settings.tutorialRun, 1);
    Run({ChooseStage(1), Then(AbortLevels(0), [&](PlaySession&) {
             EXPECT_EQ(store->writes.front(), "/Player/TutorialRun=1");
         }),
         AbortStages(1)});
}

TEST_F(FlowOfPlay, AWonLevelRecordsItsTimeAndOpensTheNextAtOnce)
{
    Restart({{"/Player/Difficulty", 0}, {"/Player/TutorialRun", 1}});
    Run({ChooseStage(1), ChooseLevel(0), Win(75),
         // On the disk before the celebration, which shows the level won.
         Then(kLevelDone,
              [&](PlaySession& s) {
                  EXPECT_EQ(OnDisk("/Game/Easy/HighScore1"), 75);
                  EXPECT_EQ(OnDisk("/Game/Easy/MaximumLevel"), 1);
                  EXPECT_EQ(s.level, 0u);
                  EXPECT_EQ(s.levelTime, 75);
              }),
         // Seen by the next screen, which offers the next level.
         Then(ChooseLevel(0),
              [&](PlaySession& s) {
                  EXPECT_EQ(s.bestTimes[0], 75);
                  EXPECT_EQ(s.maximumLevel, 1u);
                  EXPECT_EQ(s.level, 1u);
              }),
         Win(80), kLevelDone, ChooseLevel(0), Win(75), kLevelDone, ChooseLevel(0), Win(60),
         kLevelDone, AbortLevels(1), AbortStages(1)});
    EXPECT_EQ(g_settings.highScore[0][0], 60);
    EXPECT_EQ(g_settings.maximumLevel[0], 1); // an earlier level again: unchanged
    std::vector<std::string> bestTimes;
    for (const std::string& w : store->writes)
        if (w.rfind("/Game/Easy/HighScore", 0) == 0)
            bestTimes.push_back(w);
    EXPECT_EQ(bestTimes,
              (std::vector<std::string>{"/Game/Easy/HighScore1=75", "/Game/Easy/HighScore1=60"}));
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedLevel1"), 1);
    EXPECT_EQ(OnDisk("/Game/Easy/SelectedStage"), 0);
}

TEST_F(FlowOfPlay, NoTimeIsBeatenByAnyAndALostLevelChangesNothing)
{
    // 0 is no time, and so is a negative time a hand-edited store may hold.
    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/MaximumLevel", 5},
             {"/Game/Medium/HighScore2", -4}, {"/Game/Medium/HighScore3", 0}});
    Run({ChooseStage(1), ChooseLevel(1), Win(300), kLevelDone, ChooseLevel(2), Win(0),
         kLevelDone, ChooseLevel(3), Abort(12), Then(AbortLevels(3), [](PlaySession& s) { EXPECT_EQ(s.level, 3u); }),
         AbortStages(1)});
    EXPECT_EQ(OnDisk("/Game/Medium/HighScore2"), 300);
    EXPECT_EQ(OnDisk("/Game/Medium/HighScore3"), 0);
    EXPECT_EQ(OnDisk("/Game/Medium/HighScore4"), -1000);
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 5);
}

TEST_F(FlowOfPlay, TheTenthLevelOpensTheNextStageAndTheLastEndsTheFlow)
{
    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/MaximumLevel", 9},
             {"/Game/Medium/SelectedLevel1", 9}});
    Run({ChooseStage(1), ChooseLevel(9), Win(40), kLevelDone,
         Then(kStageDone,
              [](PlaySession& s) {
                  EXPECT_EQ(s.stage, 0u); // the stage completed
                  EXPECT_EQ(s.level, 10u);
              }),
         Then(AbortStages(2),
              [](PlaySession& s) {
                  EXPECT_EQ(s.stage, 1u);
                  EXPECT_EQ(s.maximumLevel, 10u);
              })});
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 1);
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 10);

    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/MaximumLevel", 39},
             {"/Game/Medium/SelectedStage", 3}, {"/Game/Medium/SelectedLevel4", 9}});
    Run({ChooseStage(4), ChooseLevel(9), Win(40), kLevelDone, kStageDone});
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 40);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 4);
    // The next session reads the stage back as the last one.
    Restart();
    Run({AbortStages(4)});
    EXPECT_EQ(g_seen[0].stage, 3u);
}

TEST_F(FlowOfPlay, AbortingTheLevelSelectionStoresTheLevelUnderItsCursor)
{
    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/MaximumLevel", 25}});
    Run({ChooseStage(3), AbortLevels(4),
         Then(ChooseStage(2), [&](PlaySession&) {
             EXPECT_EQ(OnDisk("/Game/Medium/SelectedLevel3"), 4);
         }),
         Then(AbortLevels(7), [](PlaySession& s) { EXPECT_EQ(s.level, 0u); }), AbortStages(2)});
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedLevel2"), 7);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 1);
}

TEST_F(FlowOfPlay, AQuitEndsTheFlowAfterTheBookkeepingOfThePass)
{
    // Closed during a level through its pause menu: the level counts as
    // aborted, and nothing more is shown.
    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/MaximumLevel", 3}});
    Run({ChooseStage(1), ChooseLevel(2), PlayLevel(false, 8, true)});
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedLevel1"), 2);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 0);

    // Won just as the quit came: no celebration, but still recorded, and the
    // next level is the stage's selected one.
    graphics.quitRequested = 0;
    Restart();
    Run({ChooseStage(1), ChooseLevel(3), PlayLevel(true, 33, true)});
    EXPECT_EQ(OnDisk("/Game/Medium/HighScore4"), 33);
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 4);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedLevel1"), 4);

    // The tenth level so won: neither celebration, and the stage moves on.
    graphics.quitRequested = 0;
    Restart({{"/Game/Medium/SelectedLevel2", 9}});
    Run({ChooseStage(2), ChooseLevel(9), PlayLevel(true, 50, true)});
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 20);
    EXPECT_EQ(OnDisk("/Game/Medium/SelectedStage"), 2);

    // Quit already requested: no screen at all, and the stage as it was read.
    Restart();
    Run({});
    EXPECT_EQ(store->writes, std::vector<std::string>{"/Game/Medium/SelectedStage=2"});
}

TEST_F(FlowOfPlay, StoredValuesOutOfRangeAreReadAsTheNearestValidOnes)
{
    Restart({{"/Player/TutorialRun", 1}, {"/Game/Medium/SelectedStage", 9},
             {"/Game/Medium/MaximumLevel", 99}, {"/Game/Medium/SelectedLevel4", 12}});
    Run({ChooseStage(4), AbortLevels(9), AbortStages(4)});
    EXPECT_EQ(g_seen[0].stage, 3u);
    EXPECT_EQ(g_seen[0].maximumLevel, 40u);
    EXPECT_EQ(g_seen[1].level, 9u);
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 99); // read, never rewritten

    Restart({{"/Game/Medium/SelectedStage", -1}, {"/Game/Medium/MaximumLevel", -5},
             {"/Game/Medium/SelectedLevel1", -1}});
    Run({ChooseStage(1), ChooseLevel(0), Win(20), kLevelDone, AbortLevels(1), AbortStages(1)});
    EXPECT_EQ(g_seen[0].stage, 0u);
    EXPECT_EQ(g_seen[0].maximumLevel, 0u);
    EXPECT_EQ(g_seen[1].level, 0u);
    EXPECT_EQ(OnDisk("/Game/Medium/MaximumLevel"), 1);
}

TEST_F(FlowOfPlay, ADifficultyOutOfRangePlaysWithoutRecordingProgress)
{
    for (int difficulty : {3, -1}) {
        Restart({{"/Player/Difficulty", difficulty}, {"/Game/Medium/MaximumLevel", 12}});
        Run({ChooseStage(1), ChooseLevel(0), Win(50), kLevelDone,
             Then(ChooseLevel(1), [](PlaySession& s) { EXPECT_EQ(s.maximumLevel, 1u); }),
             Abort(9), AbortLevels(1), AbortStages(1)});
        const PlaySession& s = g_seen[0];
        EXPECT_EQ(s.stage, 0u);
        EXPECT_EQ(s.maximumLevel, 0u);
        EXPECT_EQ(s.bestTimes, nullptr);
        EXPECT_EQ(store->writes, std::vector<std::string>{"/Player/TutorialRun=1"});
    }
}

TEST_F(FlowOfPlay, SoundIsEnabledForTheSessionAfterTheMusicAndDisabledAtItsEnd)
{
    const struct
    {
        int setting;
        bool music;
        LPARAM flags;
    } cases[] = {{2, true, SOUND_LOOP}, {1, true, 0}, {0, false, 0}, {7, false, 0}};
    for (const auto& c : cases) {
        SoundThreadStub sound;
        Restart({{"/Player/Music", c.setting}});
        std::vector<UINT> expected;
        if (c.music)
            expected.push_back(WM_SOUND_MUSIC);
        expected.push_back(WM_SOUND_PLAY);
        expected.push_back(WM_SOUND_ENABLE);
        // Enabled before the first screen shows.
        Run({Then(AbortStages(0), [&](PlaySession&) {
            EXPECT_EQ(sound.Messages(expected.size()), expected) << c.setting;
        })});
        expected.push_back(WM_SOUND_DISABLE);
        std::vector<MSG> received = sound.Received(expected.size());
        ASSERT_EQ(received.size(), expected.size()) << c.setting;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(received[i].message, expected[i]) << c.setting << " message " << i;
        const MSG& play = received[c.music ? 1 : 0];
        EXPECT_EQ(play.wParam, 0u);
        EXPECT_EQ(play.lParam, SOUND_RESTART_CHANNEL);
        if (c.music) {
            // Its one reference travelled with the message: the flow has
            // released its own.
            EXPECT_EQ(received[0].lParam, c.flags);
            auto* music = reinterpret_cast<CMusicData*>(received[0].wParam);
            ASSERT_NE(music, nullptr);
            EXPECT_FALSE(music->events.empty());
            EXPECT_EQ(music->refCount, 1);
            music->Release();
        }
    }
}

TEST_F(FlowOfPlay, WithoutASoundThreadNothingIsPostedAndTheFlowRuns)
{
    ASSERT_EQ(g_soundThread, nullptr);
    Run({ChooseStage(1), AbortLevels(0), AbortStages(1)});
    EXPECT_EQ(g_seen.size(), 3u);
}
