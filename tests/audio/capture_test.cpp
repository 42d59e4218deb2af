#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "audio/sound_thread.h"
#include "tests/audio/audio_test_support.h"
#include "tests/audio/captured_audio.h"

namespace {

// Frames where a sound starts after at least 100 ms of silence.
std::vector<size_t> Onsets(const CapturedWave& capture)
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

// A quiet hum under the effects keeps the mixer's own output from ever being
// exact silence, so that the silence the capture inserts when the device ran
// dry, because a busy machine held the sound thread up, can be left out.
constexpr int16_t kHum = 8;

// The played frames of the effects capture just before and just after a post.
struct CapturedPost
{
    size_t before;
    size_t after;
};

CapturedPost PostAndCapture(const std::string& path, UINT message, CRefCountedObject* object,
                            LPARAM flags)
{
    CapturedPost post;
    post.before = PlayedFrames(path);
    PostSoundMessage(message, object, flags);
    post.after = PlayedFrames(path);
    return post;
}

double Seconds(size_t frames)
{
    return static_cast<double>(frames) / 44100.0;
}

// Plays the song, looping, with the sound thread of a fresh process, enabled
// and disabled in turn for the given milliseconds: the captured music then
// holds that run alone, whatever this process captured before.
CapturedWave PlayWithPauses(const Bytes& song, const std::vector<int>& milliseconds)
{
    char pattern[] = "/tmp/skylume-pauses-XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::string songPath = dir + "/song.mid";
    std::ofstream(songPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(song.data()), static_cast<std::streamsize>(song.size()));
    std::vector<std::string> args = {PLAY_WITH_PAUSES, dir, songPath};
    for (int ms : milliseconds)
        args.push_back(std::to_string(ms));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    int status = -1;
    EXPECT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    if (child > 0)
        waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    CapturedWave music = ReadCapture(dir + "/skylume-music.wav");
    std::filesystem::remove_all(dir);
    return music;
}

// The onsets before and after the longest silence, which the pause made.
void SplitAtThePause(const std::vector<size_t>& onsets, std::vector<size_t>& before,
                     std::vector<size_t>& after)
{
    size_t pause = onsets.size();
    for (size_t i = 1; i < onsets.size(); ++i)
        if (pause == onsets.size() || onsets[i] - onsets[i - 1] > onsets[pause] - onsets[pause - 1])
            pause = i;
    before.assign(onsets.begin(), onsets.begin() + static_cast<long>(pause));
    after.assign(onsets.begin() + static_cast<long>(pause), onsets.end());
}

// Root mean square of one channel of a stereo capture over [from, to) seconds
// after a frame.
double Level(const CapturedWave& capture, size_t frame, int channel, double from, double to)
{
    size_t first = frame + static_cast<size_t>(from * 44100);
    size_t last = std::min(frame + static_cast<size_t>(to * 44100), capture.samples.size() / 2);
    double sum = 0;
    for (size_t f = first; f < last; ++f) {
        double s = capture.samples[f * 2 + static_cast<size_t>(channel)];
        sum += s * s;
    }
    return first < last ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
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
    // Where the beep's first sample loud enough for an onset lies, over the hum.
    size_t lead = 0;
    while (lead < beep->sampleCount && std::abs(beep->samples[lead] + kHum) < 100)
        ++lead;
    CSoundData* hum = MakeSound(std::vector<int16_t>(kMixBlockSamples, kHum));

    StartSoundThread();
    PostSoundMessage(WM_SOUND_MUSIC, song, SOUND_LOOP);
    PostSoundMessage(WM_SOUND_PLAY, nullptr, SOUND_RESTART_CHANNEL);
    PostSoundMessage(WM_SOUND_PLAY, hum, 2 | SOUND_LOOP);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    // The sound font loads when the music first opens, which on a busy
    // machine can hold the sound thread up: the beeps wait for the music.
    std::string musicPath = dir + "/skylume-music.wav";
    WaitForCapture([&] { return PlayedFrames(musicPath) > 0; });
    // Beeps 400 ms apart on the mixer's clock, as a level's drawing would post
    // them, then the disable.
    std::string effectsPath = dir + "/skylume-effects.wav";
    std::vector<CapturedPost> posts;
    size_t due = PlayedFrames(effectsPath);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(WaitForCapture([&] { return PlayedFrames(effectsPath) >= due + 17640; }));
        posts.push_back(i < 3 ? PostAndCapture(effectsPath, WM_SOUND_PLAY, beep, 1)
                              : PostAndCapture(effectsPath, WM_SOUND_DISABLE, nullptr, 0));
        due = posts.back().before;
    }
    StopSoundThread();
    hum->Release();
    beep->Release();
    song->Release();

    CapturedWave effects = WithoutInsertedSilence(ReadCapture(effectsPath));
    EXPECT_EQ(effects.rate, 44100u);
    EXPECT_EQ(effects.channels, 1);
    std::vector<size_t> onsets = Onsets(effects);
    ASSERT_EQ(onsets.size(), 3u);
    // A sound starts with the first block mixed after its post: three or four
    // blocks on from the one playing then, one more if the device had run dry.
    for (size_t i = 0; i < onsets.size(); ++i) {
        size_t begins = onsets[i] - lead;
        EXPECT_GE(begins, posts[i].before + 3 * kMixBlockSamples) << "beep " << i;
        EXPECT_LE(begins, posts[i].after + 5 * kMixBlockSamples + kInsertedSilence) << "beep " << i;
    }
    // The disable takes effect the same way, and the hum fades out within the
    // three blocks mixed after it.
    size_t ends = effects.samples.size();
    EXPECT_GE(ends, posts[3].before + 5 * kMixBlockSamples);
    EXPECT_LE(ends, posts[3].after + 7 * kMixBlockSamples);

    CapturedWave music = ReadCapture(musicPath);
    EXPECT_EQ(music.rate, 44100u);
    EXPECT_EQ(music.channels, 2);
    double energy = 0;
    for (int16_t s : music.samples)
        energy += static_cast<double>(s) * s;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(music.samples.size() + 1)), 300.0);
    // The song's first note sounds at once: within a quarter note of the first
    // frame that the synthesizer rendered (its quiet carries dither; the
    // capture's silence before it is exact).
    size_t rendered = 0;
    while (rendered < music.samples.size() && music.samples[rendered] == 0)
        ++rendered;
    std::vector<size_t> musicOnsets = Onsets(music);
    ASSERT_FALSE(musicOnsets.empty());
    EXPECT_LT(Seconds(musicOnsets[0] - rendered / 2), 0.5);
}

TEST(CapturedGame, AClickTrackKeepsItsTempoAfterAPause)
{
    // One beat a second: a wood block at each quarter, the tempo set once at the start.
    Bytes track = Event(0, {0xFF, 0x51, 3, 0x0F, 0x42, 0x40});
    for (int beat = 0; beat < 16; ++beat) {
        Append(track, Event(beat == 0 ? 0 : 144, {0x99, 76, 110}));
        Append(track, Event(48, {0x89, 76, 0}));
    }
    Append(track, Event(0, {0xFF, 0x2F, 0}));
    // Paused for far longer than a beat, once the stream has played out.
    CapturedWave music = PlayWithPauses(MidiFile({track}), {2500, 4500, 2500});
    ASSERT_EQ(music.channels, 2);

    std::vector<size_t> before, after;
    SplitAtThePause(Onsets(music), before, after);
    ASSERT_GE(before.size(), 2u);
    ASSERT_GE(after.size(), 3u);
    EXPECT_GT(Seconds(after[0] - before.back()), 2.0);
    // Rendered beats keep to the stream's own sample clock, whatever the load,
    // give or take the 256-frame chunk that the renderer may be in when the
    // stream restarts (the first beat waits for its end) and the synthesizer's
    // 64-frame blocks. Resumed at the default tempo they would be 0.5 s apart.
    for (const std::vector<size_t>* part : {&before, &after})
        for (size_t i = 1; i < part->size(); ++i)
            EXPECT_NEAR(Seconds((*part)[i] - (*part)[i - 1]), 1.0, 0.01)
                << (part == &after ? "after" : "before") << " the pause, beat " << i;
}

TEST(CapturedGame, AChannelPannedHardLeftStaysThereAtItsLevelAfterAPause)
{
    // An organ at a low volume, hard left and dry, set once at the start; a
    // short note at each quarter.
    Bytes track = Event(0, {0xC0, 16});
    for (uint8_t controller : {7, 10, 91, 93})
        Append(track, Event(0, {0xB0, controller, static_cast<uint8_t>(controller == 7 ? 64 : 0)}));
    for (int beat = 0; beat < 16; ++beat) {
        Append(track, Event(beat == 0 ? 0 : 96, {0x90, 60, 100}));
        Append(track, Event(96, {0x80, 60, 0}));
    }
    Append(track, Event(0, {0xFF, 0x2F, 0}));
    CapturedWave music = PlayWithPauses(MidiFile({track}), {1500, 3000, 1500});
    ASSERT_EQ(music.channels, 2);

    std::vector<size_t> before, after;
    SplitAtThePause(Onsets(music), before, after);
    ASSERT_GE(before.size(), 2u);
    ASSERT_GE(after.size(), 2u);
    EXPECT_GT(Seconds(after[0] - before.back()), 1.0);
    // Every note alike: the steady middle of each, left and right.
    double left = Level(music, before[0], 0, 0.05, 0.2);
    EXPECT_GT(left, 300.0);
    for (const std::vector<size_t>* part : {&before, &after})
        for (size_t onset : *part) {
            const char* when = part == &after ? "after the pause" : "before the pause";
            EXPECT_NEAR(Level(music, onset, 0, 0.05, 0.2), left, left * 0.05) << when;
            EXPECT_LT(Level(music, onset, 1, 0.05, 0.2), left * 0.05) << when;
        }
}

TEST(CapturedGame, MusicFadesOutAtEveryPauseAndResumesWithNothingOfTheOldSound)
{
    // An organ sounding without a break: each note starts half a quarter in
    // and holds until the next starts, so every pause cuts one mid-note and
    // the song resumes on half a quarter of rest. Four quarters a second.
    Bytes track = Event(0, {0xFF, 0x51, 3, 0x03, 0xD0, 0x90});
    Append(track, Event(0, {0xC0, 16}));
    Append(track, Event(96, {0x90, 48, 110}));
    for (int quarter = 1; quarter < 16; ++quarter) {
        Append(track, Event(192, {0x80, static_cast<uint8_t>(quarter % 2 ? 48 : 55), 0}));
        Append(track, Event(0, {0x90, static_cast<uint8_t>(quarter % 2 ? 55 : 48), 110}));
    }
    Append(track, Event(96, {0xFF, 0x2F, 0}));
    // Each pause begins once the stream has played out its half second.
    CapturedWave music = PlayWithPauses(MidiFile({track}), {1000, 1000, 1000, 1000, 1000, 1000, 1000});
    ASSERT_EQ(music.channels, 2);

    // The pauses: runs of exact zeros of a fifth of a second or more (the
    // synthesizer's own quiet carries dither), after the music began.
    size_t frames = music.samples.size() / 2;
    auto silent = [&](size_t f) { return music.samples[2 * f] == 0 && music.samples[2 * f + 1] == 0; };
    auto step = [&](size_t f) {
        return std::max(std::abs(music.samples[2 * f + 2] - music.samples[2 * f]),
                        std::abs(music.samples[2 * f + 3] - music.samples[2 * f + 1]));
    };
    std::vector<std::pair<size_t, size_t>> pauses;
    size_t first = 0;
    while (first < frames && silent(first))
        ++first;
    for (size_t f = first; f < frames;) {
        size_t end = f;
        while (end < frames && silent(end))
            ++end;
        if (end - f >= 8820 && end < frames)
            pauses.emplace_back(f, end);
        f = end + 1;
    }
    ASSERT_EQ(pauses.size(), 3u);

    // The song's own largest step, away from the pauses.
    int own = 0;
    for (size_t f = first; f + 1 < frames; ++f) {
        bool nearPause = false;
        for (const auto& pause : pauses)
            nearPause = nearPause || (f + 4410 > pause.first && f < pause.second + 4410);
        if (!nearPause)
            own = std::max(own, step(f));
    }
    EXPECT_GT(own, 50);
    for (const auto& pause : pauses) {
        int into = 0, outOf = 0, after = 0;
        for (size_t f = pause.first - 512; f < pause.first; ++f)
            into = std::max(into, step(f));
        for (size_t f = pause.second - 1; f < pause.second + 2048 && f + 1 < frames; ++f) {
            outOf = std::max(outOf, step(f));
            for (size_t i : {2 * f + 2, 2 * f + 3})
                after = std::max(after, std::abs(static_cast<int>(music.samples[i])));
        }
        const double at = Seconds(pause.first);
        EXPECT_LE(into, own) << "into the pause at " << at << " s";
        EXPECT_LE(outOf, own) << "out of the pause at " << at << " s";
        // Before the next note only the synthesizer's dither may be heard: no
        // rest of the old sound, no ringing on of its notes or reverb.
        EXPECT_LT(after, 16) << "after the pause at " << at << " s";
    }
}

