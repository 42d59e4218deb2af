#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/sound_thread.h"
#include "tests/audio/audio_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// A stop that waits for nothing still takes a while on a busy machine; one
// that waits for something gives up on the thread only after 5 s.
const long kWaitedForNothing = 4000;

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Bounded wait for something the sound thread does.
template <typename Condition>
bool WaitFor(Condition condition, int milliseconds = 5000)
{
    auto start = Clock::now();
    while (!condition()) {
        if (MillisecondsSince(start) > milliseconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

DWORD EndAtOnce(void*)
{
    return 3;
}

class SoundThread : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAudioBackend(AudioBackend::Manual);
        ManualWaveOutTakePlayed();
        ManualMidiStreamTakeLog();
    }
    void TearDown() override
    {
        while (g_soundThreadUsers > 0)
            StopSoundThread();
    }
};

} // namespace

TEST_F(SoundThread, StartTwiceStopOnceKeepsItRunning)
{
    StartSoundThread();
    HANDLE first = g_soundThread;
    ASSERT_NE(first, nullptr);
    StartSoundThread();
    EXPECT_EQ(g_soundThread, first);
    EXPECT_EQ(g_soundThreadUsers, 2);
    StopSoundThread();
    ASSERT_EQ(g_soundThread, first);
    EXPECT_TRUE(PostThreadMessageA(g_soundThreadId, WM_SOUND_PING, 0, 0));
    auto start = Clock::now();
    StopSoundThread();
    EXPECT_EQ(g_soundThread, nullptr);
    EXPECT_LT(MillisecondsSince(start), kWaitedForNothing); // output was closed: it ends at once
    EXPECT_FALSE(PostThreadMessageA(g_soundThreadId, WM_SOUND_PING, 0, 0));
}

TEST_F(SoundThread, StartPingGivesUpOnAThreadThatDiedWithoutAQueue)
{
    DWORD id = 0;
    HANDLE dead = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, &id);
    ASSERT_NE(dead, nullptr);
    auto start = Clock::now();
    EXPECT_FALSE(WaitForSoundThreadQueue(dead, id));
    EXPECT_LT(MillisecondsSince(start), 5000);
    CloseHandle(dead);

    HANDLE live = CreateThread(nullptr, 0, SoundThreadProc, nullptr, 0, &id);
    EXPECT_TRUE(WaitForSoundThreadQueue(live, id));
    PostThreadMessageA(id, WM_SOUND_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(live, 5000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(live, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(live);
}

TEST_F(SoundThread, QuitWhilePlayingFadesDrainsAndClosesBothDevices)
{
    StartSoundThread();
    CSoundData* loop = MakeSound(std::vector<int16_t>(300, 12000));
    CMusicData* music = new CMusicData;
    music->events = {MidiEvent{0, 0x90, 60, 100, 0}, MidiEvent{100, 0x90, 64, 100, 0}};
    PostSoundMessage(WM_SOUND_PLAY, loop, 1 | SOUND_LOOP);
    PostSoundMessage(WM_SOUND_MUSIC, music, SOUND_LOOP);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    loop->Release();
    music->Release();
    ASSERT_TRUE(WaitFor([] { return ManualWaveOutIsOpen() && ManualMidiStreamIsOpen(); }));
    {
        ManualClock clock;
        ASSERT_TRUE(WaitFor([] { return ManualWaveOutTakePlayed().size() > 0; }));
        auto start = Clock::now();
        StopSoundThread();
        EXPECT_LT(MillisecondsSince(start), kWaitedForNothing);
    }
    EXPECT_EQ(g_soundThread, nullptr);
    EXPECT_FALSE(ManualWaveOutIsOpen());
    EXPECT_FALSE(ManualMidiStreamIsOpen());
    std::vector<int16_t> played = ManualWaveOutTakePlayed();
    ASSERT_GE(played.size(), 3 * kMixBlockSamples);
    EXPECT_EQ(played.back(), 0);                                   // faded to silence
    EXPECT_NE(played[played.size() - 3 * kMixBlockSamples], 0);    // from the sound, not a cut
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().message, kMidiLogAllNotesOff);
}

TEST_F(SoundThread, EnableAndDisableNest)
{
    ManualSoundThread thread;
    thread.Send(WM_SOUND_DISABLE);
    EXPECT_EQ(thread.state.enableCount, -1);
    thread.Send(WM_SOUND_ENABLE);
    EXPECT_FALSE(ManualWaveOutIsOpen());
    thread.Send(WM_SOUND_ENABLE); // opens only when an enable finds the count at 0
    EXPECT_TRUE(ManualWaveOutIsOpen());
    EXPECT_TRUE(ManualMidiStreamIsOpen());
    thread.Send(WM_SOUND_DISABLE); // a pause menu: closing...
    EXPECT_TRUE(thread.state.mixer.stopping);
    thread.Send(WM_SOUND_ENABLE);  // ...cancelled before the devices came back
    EXPECT_FALSE(thread.state.mixer.stopping);
    EXPECT_FALSE(thread.state.player.stopping);
    EXPECT_EQ(thread.state.mixer.targetGain[0], kUnityGain);
    thread.Send(WM_SOUND_PING);
    thread.Send(0x4FF, 1, 2);
    EXPECT_EQ(thread.state.enableCount, 1);
    thread.Send(WM_SOUND_QUIT);
    EXPECT_TRUE(thread.state.quit);
    EXPECT_EQ(thread.state.enableCount, 0);
    EXPECT_FALSE(SoundThreadMayEnd(thread.state)); // the devices still hold their buffers
    for (int i = 0; i < 20 && !SoundThreadMayEnd(thread.state); ++i) {
        ManualWaveOutAdvance(kMixBlockSamples);
        ManualMidiStreamAdvance(22050);
        thread.Pump();
    }
    EXPECT_TRUE(SoundThreadMayEnd(thread.state));
}

TEST_F(SoundThread, RunsSilentWithoutADeviceAndStopsAtOnce)
{
    SetAudioBackend(AudioBackend::None);
    auto start = Clock::now();
    StartSoundThread();
    ASSERT_NE(g_soundThread, nullptr);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    CSoundData* sound = MakeSound({1, 2, 3});
    PostSoundMessage(WM_SOUND_PLAY, sound, 1);
    StopSoundThread();
    EXPECT_LT(MillisecondsSince(start), kWaitedForNothing);
    EXPECT_EQ(sound->refCount, 1); // the thread let go of its reference on the way out
    sound->Release();
}

TEST_F(SoundThread, DefaultDevicesNeverHoldUpStartOrStop)
{
    // On a machine without a sound card the devices fail to open; with one
    // they open and close. Either way nothing waits.
    SetAudioBackend(AudioBackend::Devices);
    auto start = Clock::now();
    StartSoundThread();
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    StopSoundThread();
    EXPECT_LT(MillisecondsSince(start), kWaitedForNothing);
}
