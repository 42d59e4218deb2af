// Which devices the wave output and MIDI stream layers drive. Chosen once
// from SKYLUME_AUDIO: unset for the sound card, "none" for no output at all,
// "capture" to write what each device plays to WAV files in SKYLUME_AUDIO_DIR
// (or the current folder). Tests pick the manual clock, which plays only as
// far as the test advances it.
#pragma once

enum class AudioBackend
{
    Devices,
    None,
    Capture,
    Manual,
};

AudioBackend CurrentAudioBackend();
// Takes effect for devices opened afterwards.
void SetAudioBackend(AudioBackend backend);

// Sample rate of every device and of the captured files.
constexpr unsigned kAudioRate = 44100;
