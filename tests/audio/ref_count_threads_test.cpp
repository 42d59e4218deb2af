#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "audio/sound_thread.h"
#include "tests/audio/audio_test_support.h"

namespace {

std::atomic<int> g_deleted{0};
std::atomic<DWORD> g_deletedOn{0};

// A sound that records where and how often it was deleted.
class TracedSound : public CSoundData
{
public:
    TracedSound() : CSoundData(kSamples, 3) {}
    ~TracedSound() override
    {
        g_deleted += 1;
        g_deletedOn = GetCurrentThreadId();
    }
    static const int16_t kSamples[3];
};
const int16_t TracedSound::kSamples[3] = {100, 200, 300};

class TracedMusic : public CMusicData
{
public:
    ~TracedMusic() override { g_deleted += 1; }
};

class RefCountAcrossThreads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAudioBackend(AudioBackend::Manual);
        g_deleted = 0;
        g_deletedOn = 0;
    }
    void TearDown() override
    {
        while (g_soundThreadUsers > 0)
            StopSoundThread();
    }
};

} // namespace

TEST_F(RefCountAcrossThreads, ReleasedByTheOwnerFirstThenDeletedOnceByTheSoundThread)
{
    StartSoundThread();
    DWORD soundThread = g_soundThreadId;
    auto* sound = new TracedSound;
    PostSoundMessage(WM_SOUND_PLAY, sound, 1);
    sound->Release(); // the owner lets go while the message still holds it
    EXPECT_EQ(g_deleted.load(), 0); // output is closed: the mixer keeps it waiting
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    ManualClock clock; // once the sound has been mixed it is done
    for (int i = 0; i < 5000 && g_deleted.load() == 0; ++i)
        Sleep(1);
    EXPECT_EQ(g_deleted.load(), 1);
    EXPECT_EQ(g_deletedOn.load(), soundThread);
    StopSoundThread();
    EXPECT_EQ(g_deleted.load(), 1);
}

TEST_F(RefCountAcrossThreads, MessagesLeftOrRefusedAtTheEndReleaseTheirReferences)
{
    StartSoundThread();
    // Quit first: the thread ends with these still queued, or they arrive too late.
    PostThreadMessageA(g_soundThreadId, WM_SOUND_QUIT, 0, 0);
    std::vector<CRefCountedObject*> objects;
    for (int i = 0; i < 200; ++i) {
        CRefCountedObject* object = (i % 2) ? static_cast<CRefCountedObject*>(new TracedMusic)
                                            : new TracedSound;
        PostSoundMessage((i % 2) ? WM_SOUND_MUSIC : WM_SOUND_PLAY, object, 1);
        objects.push_back(object);
    }
    StopSoundThread(); // joins the thread: its queue has been disposed of
    for (CRefCountedObject* object : objects)
        object->Release();
    EXPECT_EQ(g_deleted.load(), 200);
}

TEST_F(RefCountAcrossThreads, CountsStayExactUnderContention)
{
    auto* sound = new TracedSound;
    auto hammer = [sound] {
        for (int i = 0; i < 20000; ++i) {
            sound->AddRef();
            sound->Release();
        }
    };
    std::thread other(hammer);
    hammer();
    other.join();
    EXPECT_EQ(sound->refCount, 1);
    sound->Release();
    EXPECT_EQ(g_deleted.load(), 1);
}

TEST(RefCountAtExit, ALateReleaseDuringExitFindsTheLockAlive)
{
    // A sound thread that outlived its stop time-out may release a reference
    // while the program exits; the lock must still be there for it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto* sound = new TracedSound;
            std::thread([sound] {
                for (;;) {
                    sound->AddRef();
                    sound->Release();
                }
            }).detach();
            Sleep(5);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
