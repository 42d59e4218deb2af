// Plays a MIDI file, looping, through the game's sound thread on the capture
// backend, enabled and disabled in turn as a pause menu would. It runs as a
// process of its own so that the captured music holds this run alone.
// Usage: play_with_pauses FOLDER SONG.mid PLAYING_MS PAUSED_MS PLAYING_MS ...
// The phases keep to the music's own clock whatever the load: a playing phase
// lasts until the capture holds that much more played music, and a pause
// starts once the music has played out and closed.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/sound_thread.h"
#include "platform/audio_backend.h"
#include "tests/audio/captured_audio.h"

namespace {

// A closed stream's capture ends with its fade-out, on an exactly silent frame.
bool HasClosed(const std::string& music)
{
    CapturedWave capture = ReadCapture(music);
    size_t frames = capture.channels ? capture.samples.size() / capture.channels : 0;
    if (frames == 0)
        return false;
    for (size_t c = 0; c < capture.channels; ++c)
        if (capture.samples[(frames - 1) * capture.channels + c] != 0)
            return false;
    return true;
}

bool Play(const std::string& music, int milliseconds)
{
    size_t from = PlayedFrames(music);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
    size_t frames = static_cast<size_t>(milliseconds) * kAudioRate / 1000;
    return WaitForCapture([&] { return PlayedFrames(music) >= from + frames; });
}

bool StopPlaying(const std::string& music)
{
    PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    return WaitForCapture([&] { return HasClosed(music); });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    setenv("SKYLUME_AUDIO_DIR", argv[1], 1);
    SetAudioBackend(AudioBackend::Capture);
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CMusicData* song = CMusicData::Create(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (song->events.empty())
        return 3;

    std::string music = std::string(argv[1]) + "/skylume-music.wav";
    StartSoundThread();
    PostSoundMessage(WM_SOUND_MUSIC, song, SOUND_LOOP);
    song->Release();
    bool kept = true;
    bool playing = false;
    for (int i = 3; i < argc; ++i) {
        playing = !playing;
        if (playing) {
            kept = Play(music, atoi(argv[i])) && kept;
        } else {
            kept = StopPlaying(music) && kept;
            Sleep(static_cast<DWORD>(atoi(argv[i])));
        }
    }
    if (playing)
        kept = StopPlaying(music) && kept;
    StopSoundThread();
    return kept ? 0 : 4;
}
