#include <gtest/gtest.h>

#include "audio/wave_mixer.h"
#include "tests/audio/audio_test_support.h"

namespace {

constexpr uint32_t B = kMixBlockSamples;

class WaveMixer : public ::testing::Test
{
protected:
    ManualSoundThread thread;
    CWaveMixer& mixer = thread.state.mixer;
    std::vector<int16_t> played;

    void TearDown() override { ManualWaveOutTakePlayed(); }

    // Plays n blocks on the manual device and lets the mixer answer each.
    void PlayBlocks(uint32_t n)
    {
        for (uint32_t i = 0; i < n; ++i) {
            ManualWaveOutAdvance(B);
            thread.Pump();
        }
        std::vector<int16_t> more = ManualWaveOutTakePlayed();
        played.insert(played.end(), more.begin(), more.end());
    }

    // Output open, the fade-in over and every block played so far silent.
    void OpenAndSettle()
    {
        thread.Send(WM_SOUND_ENABLE);
        ASSERT_TRUE(mixer.active);
        PlayBlocks(4);
        ASSERT_EQ(mixer.currentGain[0], kUnityGain);
        played.clear();
    }

    // Samples [from, from + count) of what was played.
    std::vector<int16_t> Played(size_t from, size_t count)
    {
        EXPECT_LE(from + count, played.size());
        return std::vector<int16_t>(played.begin() + from, played.begin() + from + count);
    }

    void Post(CSoundData* sound, uint32_t flags)
    {
        if (sound)
            sound->AddRef(); // the message's reference
        thread.Send(WM_SOUND_PLAY, reinterpret_cast<WPARAM>(sound), flags);
    }
};

std::vector<int16_t> Counting(uint32_t n, int16_t first = 1)
{
    std::vector<int16_t> out(n);
    for (uint32_t i = 0; i < n; ++i)
        out[i] = static_cast<int16_t>(first + i % 20000);
    return out;
}

} // namespace

TEST_F(WaveMixer, SoundStartsAtTheNextBlockUnchanged)
{
    OpenAndSettle();
    std::vector<int16_t> samples = Counting(1000);
    CSoundData* sound = MakeSound(samples);
    Post(sound, 1);
    EXPECT_EQ(sound->refCount, 2);
    EXPECT_EQ(mixer.sounds[0].start, mixer.writePosition); // queue full: the next block mixed
    PlayBlocks(1); // a block mixed at once, before the sound
    PlayBlocks(4);
    // The four blocks queued before it, then the block with the sound at offset 0.
    EXPECT_EQ(Played(4 * B, 1000), samples);
    EXPECT_EQ(Played(4 * B + 1000, B - 1000), std::vector<int16_t>(B - 1000, 0));
    EXPECT_EQ(Played(0, 4 * B), std::vector<int16_t>(4 * B, 0));
    EXPECT_EQ(mixer.soundCount, 0u);
    EXPECT_EQ(sound->refCount, 1);
    sound->Release();
}

TEST_F(WaveMixer, LongSoundSpansBlocksAndLoopsJoinSampleToSample)
{
    OpenAndSettle();
    std::vector<int16_t> longSamples = Counting(3000, 100);
    CSoundData* longSound = MakeSound(longSamples);
    Post(longSound, 2);
    longSound->Release();
    uint32_t base = mixer.writePosition;
    std::vector<int16_t> loopSamples = Counting(1000, 5000);
    CSoundData* loop = MakeSound(loopSamples);
    Post(loop, 1 | SOUND_LOOP);
    loop->Release();
    ASSERT_EQ(mixer.sounds[1].start, base);

    thread.Pump();
    ManualWaveOutAdvance(B); // the first block of both is mixed in answer
    thread.Pump();
    EXPECT_EQ(mixer.soundCount, 2u);
    EXPECT_EQ(mixer.sounds[1].start, base + 2000); // the repetition cut after its sample 47
    ManualWaveOutAdvance(B);
    thread.Pump();
    EXPECT_EQ(mixer.soundCount, 1u); // the long sound ended in its second block
    PlayBlocks(4);

    std::vector<int16_t> expected(2 * B);
    for (uint32_t i = 0; i < 2 * B; ++i)
        expected[i] = static_cast<int16_t>(loopSamples[i % 1000] + (i < 3000 ? longSamples[i] : 0));
    // Four silent blocks queued before them, then the mix with its loop joins.
    ASSERT_EQ(played.size(), 6 * B);
    EXPECT_EQ(Played(0, 4 * B), std::vector<int16_t>(4 * B, 0));
    EXPECT_EQ(Played(4 * B, 2 * B), expected);
}

TEST_F(WaveMixer, SumsClampSymmetrically)
{
    OpenAndSettle();
    for (int16_t value : {int16_t(32767), int16_t(-32768)}) {
        for (uint32_t channel : {1u, 2u}) {
            CSoundData* sound = MakeSound(std::vector<int16_t>(10, value));
            Post(sound, channel);
            sound->Release();
        }
        PlayBlocks(5);
        size_t at = played.size() - B;
        EXPECT_EQ(played[at], value > 0 ? 32767 : -32767);
        played.clear();
    }
}

TEST_F(WaveMixer, MasterFadesInFromSilenceAfterOpening)
{
    CSoundData* sound = MakeSound(std::vector<int16_t>(3 * B, 20000));
    Post(sound, 1); // output closed: starts with the first block after opening
    sound->Release();
    thread.Send(WM_SOUND_ENABLE);
    PlayBlocks(4);
    for (uint32_t i = 0; i < B; ++i) {
        int64_t gain = i * 3043 / 256;
        ASSERT_EQ(played[i], 20000 * gain / 65536) << i;
    }
    // Full-scale fade: 24344 up after one block, 48688 after two, unity 1417 samples into the third.
    EXPECT_EQ(played[B], 20000 * 24344 / 65536);
    EXPECT_EQ(played[2 * B + 1417], 20000);
    EXPECT_LT(played[2 * B + 1416], 20000);
}

TEST_F(WaveMixer, EightLoudSoundsUnderAMasterRampDoNotWrap)
{
    for (int i = 0; i < 8; ++i) {
        CSoundData* sound = MakeSound(std::vector<int16_t>(B, 32767));
        Post(sound, 1 + i % 2);
        sound->Release();
    }
    thread.Send(WM_SOUND_ENABLE);
    PlayBlocks(1);
    // 8 * 32767 * gain overflows 32 bits once the gain passes 8192.
    EXPECT_EQ(played[0], 0);
    for (uint32_t i = 1; i < B; ++i) {
        int64_t expected = std::min<int64_t>(32767, 8 * 32767LL * (i * 3043 / 256) / 65536);
        ASSERT_EQ(played[i], expected) << i;
    }
}

TEST_F(WaveMixer, EightSoundsAtMostAndRestartsFreeTheirChannel)
{
    std::vector<CSoundData*> sounds;
    for (int i = 0; i < 9; ++i) {
        sounds.push_back(MakeSound({1}));
        Post(sounds.back(), 1 + i % 2);
    }
    EXPECT_EQ(mixer.soundCount, 8u);
    EXPECT_EQ(sounds[8]->refCount, 1); // refused and released at once
    CSoundData* empty = MakeSound({});
    Post(empty, 1);
    Post(sounds[0], 3); // no such channel
    EXPECT_EQ(empty->refCount, 1);
    EXPECT_EQ(sounds[0]->refCount, 2);

    Post(sounds[8], 1 | SOUND_RESTART_CHANNEL);
    EXPECT_EQ(mixer.soundCount, 5u); // four of channel 2, then the new one
    EXPECT_EQ(mixer.sounds[4].sound, sounds[8]);
    EXPECT_EQ(mixer.currentGain[1], 0u);
    EXPECT_EQ(sounds[0]->refCount, 1);

    // A restart of a channel with no gain is ignored rather than writing past the gains.
    uint32_t gains[3] = {mixer.currentGain[0], mixer.currentGain[1], mixer.currentGain[2]};
    Post(nullptr, 7 | SOUND_RESTART_CHANNEL);
    EXPECT_EQ(mixer.soundCount, 5u);
    EXPECT_EQ(memcmp(gains, mixer.currentGain, sizeof gains), 0);

    thread.Send(WM_SOUND_ENABLE);
    mixer.currentGain[0] = kUnityGain;
    Post(nullptr, SOUND_RESTART_CHANNEL); // channel 0: everything, master from silence
    EXPECT_EQ(mixer.soundCount, 0u);
    EXPECT_EQ(mixer.currentGain[0], 0u);
    EXPECT_EQ(mixer.targetGain[0], kUnityGain);
    for (CSoundData* sound : sounds) {
        EXPECT_EQ(sound->refCount, 1);
        sound->Release();
    }
    empty->Release();
}

TEST_F(WaveMixer, DisableFadesOutThenClosesWhenTheLastBlockReturns)
{
    OpenAndSettle();
    CSoundData* loop = MakeSound(std::vector<int16_t>(500, 10000));
    Post(loop, 1 | SOUND_LOOP);
    loop->Release();
    PlayBlocks(1); // the loop's first block joins the queue behind three silent ones
    played.clear();
    thread.Send(WM_SOUND_DISABLE);
    uint32_t blocks = 0;
    while (ManualWaveOutIsOpen() && blocks < 10) {
        PlayBlocks(1);
        ++blocks;
    }
    EXPECT_FALSE(mixer.active);
    // The four queued blocks, then three fading ones: 65536, 41192, 16848 at their starts.
    ASSERT_EQ(blocks, 7u);
    EXPECT_EQ(Played(0, 3 * B), std::vector<int16_t>(3 * B, 0));
    EXPECT_EQ(played[3 * B], 10000);
    EXPECT_EQ(played[4 * B], 10000);
    EXPECT_EQ(played[4 * B + 256], 10000 * (65536 - 3043) / 65536);
    EXPECT_EQ(played[5 * B], 10000 * 41192 / 65536);
    EXPECT_EQ(played[6 * B], 10000 * 16848 / 65536);
    EXPECT_EQ(Played(6 * B + 1417, B - 1417), std::vector<int16_t>(B - 1417, 0));
    EXPECT_EQ(mixer.soundCount, 1u); // the loop waits for the next opening
}

TEST_F(WaveMixer, StartsPlaceSoundsBehindThePlayingSampleWhenTheQueueRunsLow)
{
    OpenAndSettle();
    // Let the device play on without answering: the queue runs down to one block.
    ManualWaveOutAdvance(3 * B + 100);
    ManualWaveOutTakePlayed();
    CSoundData* sound = MakeSound({5});
    Post(sound, 1);
    sound->Release();
    // 2048 samples after the one being played, inside the block still queued.
    EXPECT_EQ(mixer.sounds[0].start, mixer.basePosition + 4 * B + 3 * B + 100 + B);
    EXPECT_EQ(mixer.sounds[0].start - mixer.writePosition, 100u);
}

TEST_F(WaveMixer, TimelineWrapsPast32Bits)
{
    mixer.writePosition = 0xFFFFFFFFu - 9 * B - 500;
    OpenAndSettle();
    std::vector<int16_t> samples = Counting(3 * B, 7);
    CSoundData* sound = MakeSound(samples);
    Post(sound, 2);
    sound->Release();
    PlayBlocks(8);
    EXPECT_EQ(mixer.soundCount, 0u);
    EXPECT_EQ(Played(4 * B, 3 * B), samples);
}

TEST_F(WaveMixer, StrayNotificationKeepsTheCountAtZero)
{
    thread.Send(MM_WOM_DONE);
    EXPECT_EQ(mixer.queuedBlocks, 0u);
    OpenAndSettle();
    thread.Send(WM_SOUND_DISABLE);
    thread.Send(MM_WOM_DONE); // stray: claims a block back early
    PlayBlocks(6);
    EXPECT_FALSE(ManualWaveOutIsOpen()); // still closes once every block is back
    EXPECT_EQ(mixer.queuedBlocks, 0u);
}

TEST_F(WaveMixer, VolumeRampsEachChannelWithinItsLimit)
{
    thread.Send(WM_SOUND_VOLUME, 1, 0x8000);
    EXPECT_EQ(mixer.targetGain[1], 0x8000u);
    thread.Send(WM_SOUND_VOLUME, 1, 0x10001);
    thread.Send(WM_SOUND_VOLUME, 3, 0x4000);
    thread.Send(WM_SOUND_VOLUME, 0, 0x10001); // the limit holds for both channels at once too
    thread.Send(WM_SOUND_VOLUME, 2, -1);
    EXPECT_EQ(mixer.targetGain[1], 0x8000u);
    EXPECT_EQ(mixer.targetGain[2], kUnityGain);
    thread.Send(WM_SOUND_VOLUME, 0, 0x4000);
    EXPECT_EQ(mixer.targetGain[1], 0x4000u);
    EXPECT_EQ(mixer.targetGain[2], 0x4000u);

    thread.Send(WM_SOUND_VOLUME, 1, 0x8000);
    OpenAndSettle();
    EXPECT_EQ(mixer.currentGain[1], 0x8000u); // ramped there while the blocks were mixed
    CSoundData* sound = MakeSound(std::vector<int16_t>(10, 20000));
    Post(sound, 1);
    sound->Release();
    PlayBlocks(5);
    EXPECT_EQ(played[4 * B], 10000);
}

TEST_F(WaveMixer, ADeviceThatTakesNoBlocksStillClosesOnDisable)
{
    OpenAndSettle();
    // Every block comes back and none can be written again: nothing will ever be returned.
    waveOutReset(mixer.device);
    for (WAVEHDR& header : mixer.headers)
        waveOutUnprepareHeader(mixer.device, &header, sizeof(WAVEHDR));
    thread.Pump();
    EXPECT_EQ(mixer.queuedBlocks, 0u);
    EXPECT_TRUE(mixer.active);
    thread.Send(WM_SOUND_DISABLE);
    EXPECT_FALSE(mixer.active); // closed at once, or quit would wait for nothing
    EXPECT_FALSE(ManualWaveOutIsOpen());
}
