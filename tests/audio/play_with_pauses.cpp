// Plays a MIDI file, looping, through the game's sound thread on the capture
// backend, enabled and disabled in turn as a pause menu would. It runs as a
// process of its own so that the captured music holds this run alone.
// Usage: play_with_pauses FOLDER SONG.mid PLAYING_MS PAUSED_MS PLAYING_MS ...
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio/sound_thread.h"
#include "platform/audio_backend.h"

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

    StartSoundThread();
    PostSoundMessage(WM_SOUND_MUSIC, song, SOUND_LOOP);
    song->Release();
    bool playing = false;
    for (int i = 3; i < argc; ++i) {
        playing = !playing;
        PostSoundMessage(playing ? WM_SOUND_ENABLE : WM_SOUND_DISABLE, nullptr, 0);
        Sleep(static_cast<DWORD>(atoi(argv[i])));
    }
    if (playing)
        PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    StopSoundThread();
    return 0;
}
