// Prints the mixer's CPU time as a share of the audio time it makes with
// eight sounds playing (goal: under 0.5% of one core), and the time to parse
// a MIDI file (the test song, or the file named on the command line).
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "audio/sound_thread.h"
#include "platform/audio_backend.h"

namespace {

double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void BenchMixer()
{
    SetAudioBackend(AudioBackend::Manual);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    CWaveMixer mixer;
    mixer.Init();
    mixer.Start();
    std::mt19937 random(1);
    std::uniform_int_distribution<int> value(-12000, 12000);
    for (int i = 0; i < 8; ++i) {
        std::vector<int16_t> samples(44100 + 1000 * i);
        for (int16_t& s : samples)
            s = static_cast<int16_t>(value(random));
        // Looping, on both channels: all eight play for the whole run.
        mixer.Play(new CSoundData(samples.data(), static_cast<uint32_t>(samples.size())),
                   (1 + i % 2) | SOUND_LOOP);
    }
    const int blocks = 20000;
    double busy = 0;
    for (int b = 0; b < blocks; ++b) {
        ManualWaveOutAdvance(kMixBlockSamples);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        mixer.queuedBlocks -= 1;
        if (b % 64 == 0)
            ManualWaveOutTakePlayed();
        mixer.currentGain[1] = b % 50 == 0 ? 0 : mixer.currentGain[1]; // a channel fade now and then
        double start = ThreadSeconds();
        mixer.MixAndQueue();
        busy += ThreadSeconds() - start;
    }
    double audio = static_cast<double>(blocks) * kMixBlockSamples / kAudioRate;
    printf("mixer: %d sounds, %.1f s of audio mixed in %.3f s of CPU: %.3f%% of one core (goal < 0.5%%)\n",
           static_cast<int>(mixer.soundCount), audio, busy, 100.0 * busy / audio);
    mixer.Destroy();
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A song of the game's shape at its largest plausible size: format 1, six
// tracks, division 192, four minutes of eighth notes on every track.
std::vector<uint8_t> LargeSong()
{
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    PutBigEndian(file, 6, 4);
    PutBigEndian(file, 1, 2);
    PutBigEndian(file, 6, 2);
    PutBigEndian(file, 192, 2);
    for (int track = 0; track < 6; ++track) {
        std::vector<uint8_t> body = {0x00, static_cast<uint8_t>(0xC0 | track), 0x10};
        for (int note = 0; note < 960; ++note) {
            uint8_t key = static_cast<uint8_t>(48 + (note * 7 + track * 5) % 36);
            body.insert(body.end(), {0x00, static_cast<uint8_t>(0x90 | track), key, 90});
            body.insert(body.end(), {0x60, key, 0}); // running status, note-on at velocity 0
        }
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        PutBigEndian(file, static_cast<uint32_t>(body.size()), 4);
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

void BenchMidiParse(const char* name, const std::vector<uint8_t>& file)
{
    if (file.empty()) {
        printf("midi: cannot read %s\n", name);
        return;
    }
    const int runs = 200;
    size_t events = 0;
    double start = ThreadSeconds();
    for (int i = 0; i < runs; ++i) {
        CMusicData* music = CMusicData::Create(file.data(), static_cast<uint32_t>(file.size()));
        events = music->events.size();
        music->Release();
    }
    double each = (ThreadSeconds() - start) / runs;
    printf("midi parse: %s, %zu bytes, %zu events: %.1f us per parse\n", name, file.size(), events,
           each * 1e6);
}

std::vector<uint8_t> ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv)
{
    BenchMixer();
    const char* path = argc > 1 ? argv[1] : SKYLUME_TEST_SONG;
    BenchMidiParse(path, ReadFile(path));
    BenchMidiParse("six tracks, four minutes (made here)", LargeSong());
    return 0;
}
