#include "screens/flow_of_play.h"

#include <algorithm>
#include <cstring>

#include "audio/music_data.h"
#include "audio/sound_thread.h"
#include "screens/level_complete_screen.h"
#include "screens/level_play.h"
#include "screens/level_select_screen.h"
#include "screens/stage_complete_screen.h"
#include "screens/stage_select_screen.h"
#include "screens/tutorial.h"
#include "shell/graphics.h"
#include "shell/settings.h"
#include "world/play_session.h"

namespace {

const int32_t kLevels = 40;

const char* const kSelectedStageKeys[3] = {"/Game/Easy/SelectedStage",
                                           "/Game/Medium/SelectedStage",
                                           "/Game/Hard/SelectedStage"};
const char* const kSelectedLevelKeys[3] = {"/Game/Easy/SelectedLevel%1",
                                           "/Game/Medium/SelectedLevel%1",
                                           "/Game/Hard/SelectedLevel%1"};
const char* const kMaximumLevelKeys[3] = {"/Game/Easy/MaximumLevel",
                                          "/Game/Medium/MaximumLevel",
                                          "/Game/Hard/MaximumLevel"};
const char* const kBestTimeKeys[3] = {"/Game/Easy/HighScore%1", "/Game/Medium/HighScore%1",
                                      "/Game/Hard/HighScore%1"};

enum MusicSetting
{
    kMusicOff,
    kMusicOnce,
    kMusicLoop,
};

// Progress is kept per difficulty; any other difficulty plays unrecorded.
bool RecordsProgress(const PlaySession& session)
{
    return session.difficulty >= 0 && session.difficulty <= 2;
}

// Stored values are whatever the store held: read them as the nearest
// valid value, never writing that back unless play changes it.
uint32_t Clamped(int32_t value, int32_t highest)
{
    return uint32_t(std::clamp(value, 0, highest));
}

void FillSession(PlaySession& session)
{
    std::memset(&session, 0, sizeof session);
    session.difficulty = g_settings.difficulty;
    session.speed = g_settings.speed;
    session.direction = g_settings.direction;
    session.tutorialRun = g_settings.tutorialRun != 0;
    if (!RecordsProgress(session))
        return;
    int32_t d = session.difficulty;
    session.stage = Clamped(g_settings.selectedStage[d], kStages - 1);
    session.maximumLevel = Clamped(g_settings.maximumLevel[d], kLevels);
    session.bestTimes = g_settings.highScore[d];
}

void StoreSelectedStage(const PlaySession& session)
{
    if (!RecordsProgress(session))
        return;
    g_settings.selectedStage[session.difficulty] = int32_t(session.stage);
    WriteConfigInt(kSelectedStageKeys[session.difficulty], int32_t(session.stage));
}

void StoreSelectedLevel(const PlaySession& session)
{
    if (!RecordsProgress(session) || session.stage >= kStages)
        return;
    int32_t d = session.difficulty;
    SetConfigIntArrayItem(kSelectedLevelKeys[d], g_settings.selectedLevel[d], kStages,
                          session.stage, int32_t(session.level));
}

uint32_t StoredSelectedLevel(const PlaySession& session)
{
    if (!RecordsProgress(session))
        return 0;
    return Clamped(g_settings.selectedLevel[session.difficulty][session.stage],
                   kLevelsPerStage - 1);
}

void RecordTutorialSeen(PlaySession& session)
{
    session.tutorialRun = 1;
    g_settings.tutorialRun = 1;
    WriteConfigInt("/Player/TutorialRun", 1);
}

// A stored time of 0 or below is no time; an equal time writes nothing.
void RecordBestTime(const PlaySession& session, uint32_t index)
{
    if (!RecordsProgress(session) || !session.bestTimes || index >= uint32_t(kLevels))
        return;
    int32_t stored = session.bestTimes[index];
    if (stored > 0 && stored <= session.levelTime)
        return;
    SetConfigIntArrayItem(kBestTimeKeys[session.difficulty], session.bestTimes, kLevels, index,
                          session.levelTime);
}

void RecordMaximumLevel(PlaySession& session, uint32_t levelsCompleted)
{
    if (levelsCompleted <= session.maximumLevel)
        return;
    session.maximumLevel = levelsCompleted;
    if (!RecordsProgress(session))
        return;
    g_settings.maximumLevel[session.difficulty] = int32_t(levelsCompleted);
    WriteConfigInt(kMaximumLevelKeys[session.difficulty], int32_t(levelsCompleted));
}

// One level from its start to the next level's offer. The result is saved
// the moment the level is won, before any celebration, so that nothing is
// lost when the program is ended meanwhile.
void PlayLevel(PlaySession& session)
{
    uint32_t index = session.stage * kLevelsPerStage + session.level;
    if (!RunLevel(&session))
        return; // lost or aborted: the same level is offered again
    RecordBestTime(session, index);
    RecordMaximumLevel(session, index + 1);
    if (!IsQuitRequested())
        RunLevelCompleteScreen(&session);
    session.level += 1;
}

// The levels of the session's stage, from the one last chosen; after the
// tenth the session moves on to the next stage.
void PlayStage(PlaySession& session)
{
    StoreSelectedStage(session);
    session.level = StoredSelectedLevel(session);
    while (session.level < kLevelsPerStage) {
        if (IsQuitRequested() || !RunLevelSelectScreen(&session)) {
            StoreSelectedLevel(session);
            return;
        }
        StoreSelectedLevel(session);
        PlayLevel(session);
    }
    if (!IsQuitRequested())
        RunStageCompleteScreen(&session);
    session.stage += 1;
}

// The music and sound output of one session: music as the setting asks,
// the effects channel restarted, output enabled; at the end output is
// disabled again (the music is never stopped) and the session's own
// reference to the music released, also when an error unwinds the session.
struct SessionSound
{
    CMusicData* music;

    SessionSound() : music(LoadMusicResource("music"))
    {
        if (!g_soundThread)
            return;
        if (g_settings.music == kMusicOnce)
            PostSoundMessage(WM_SOUND_MUSIC, music, 0);
        else if (g_settings.music == kMusicLoop)
            PostSoundMessage(WM_SOUND_MUSIC, music, SOUND_LOOP);
        PostSoundMessage(WM_SOUND_PLAY, nullptr, SOUND_RESTART_CHANNEL);
        PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    }

    ~SessionSound()
    {
        PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
        if (music)
            music->Release();
    }

    SessionSound(const SessionSound&) = delete;
    SessionSound& operator=(const SessionSound&) = delete;
};

} // namespace

void RunGameSession()
{
    PlaySession session;
    FillSession(session);
    SessionSound sound;
    while (!IsQuitRequested()) {
        if (!RunStageSelectScreen(&session))
            break;
        RecordTutorialSeen(session);
        if (session.tutorialRequested)
            RunTutorial();
        else
            PlayStage(session);
        if (session.stage >= kStages)
            break;
    }
    StoreSelectedStage(session);
}
