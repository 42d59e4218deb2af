#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "audio/sound_thread.h"
#include "tests/audio/audio_test_support.h"

namespace {

struct Capture
{
    uint32_t rate = 0;
    uint16_t channels = 0;
    std::vector<int16_t> samples;
};

Capture ReadCapture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Capture capture;
    if (bytes.size() < 44)
        return capture;
    memcpy(&capture.channels, &bytes[22], 2);
    memcpy(&capture.rate, &bytes[24], 4);
    capture.samples.resize((bytes.size() - 44) / 2);
    memcpy(capture.samples.data(), &bytes[44], capture.samples.size() * 2);
    return capture;
}

// Frames where a sound starts after at least 100 ms of silence.
std::vector<size_t> Onsets(const Capture& capture)
{
    std::vector<size_t> onsets;
    size_t quiet = 4410;
    for (size_t i = 0; i < capture.samples.size(); i += capture.channels) {
        if (std::abs(capture.samples[i]) < 100) {
            ++quiet;
            continue;
        }
        if (quiet >= 4410)
            onsets.push_back(i / capture.channels);
        quiet = 0;
    }
    return onsets;
}

} // namespace

TEST(CapturedGame, EffectsAndMusicComeOutOnTimeAt44100)
{
    char pattern[] = "/tmp/skylume-game-capture-XXXXXX";
    std::string dir = mkdtemp(pattern);
    setenv("SKYLUME_AUDIO_DIR", dir.c_str(), 1);
    SetAudioBackend(AudioBackend::Capture);
    CSoundData* beep = LoadSoundResource("beep");
    CMusicData* song = LoadMusicResource("song");
    ASSERT_NE(beep, nullptr);
    ASSERT_NE(song, nullptr);

    StartSoundThread();
    PostSoundMessage(WM_SOUND_MUSIC, song, SOUND_LOOP);
    PostSoundMessage(WM_SOUND_PLAY, nullptr, SOUND_RESTART_CHANNEL);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    // Beeps posted 400 ms apart, as a level's drawing would post them.
    for (int i = 0; i < 3; ++i) {
        Sleep(400);
        PostSoundMessage(WM_SOUND_PLAY, beep, 1);
    }
    Sleep(400);
    PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    StopSoundThread();
    beep->Release();
    song->Release();

    Capture effects = ReadCapture(dir + "/skylume-effects.wav");
    EXPECT_EQ(effects.rate, 44100u);
    EXPECT_EQ(effects.channels, 1);
    std::vector<size_t> onsets = Onsets(effects);
    ASSERT_EQ(onsets.size(), 3u);
    for (size_t i = 1; i < onsets.size(); ++i) {
        // 400 ms apart, give or take the one block by which a start is rounded.
        double gap = static_cast<double>(onsets[i] - onsets[i - 1]) / 44100.0;
        EXPECT_NEAR(gap, 0.4, 0.05);
    }
    // The effects file runs on the wall clock: 1.6 s, then the four queued
    // blocks and the three of the fade-out.
    EXPECT_NEAR(static_cast<double>(effects.samples.size()) / 44100.0, 1.6 + 7 * 0.0464, 0.15);

    Capture music = ReadCapture(dir + "/skylume-music.wav");
    EXPECT_EQ(music.rate, 44100u);
    EXPECT_EQ(music.channels, 2);
    double energy = 0;
    for (int16_t s : music.samples)
        energy += static_cast<double>(s) * s;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(music.samples.size() + 1)), 300.0);
    // The song's first note sounds at once: within a quarter note of the start.
    std::vector<size_t> musicOnsets = Onsets(music);
    ASSERT_FALSE(musicOnsets.empty());
    EXPECT_LT(musicOnsets[0], 44100u / 2);
}
