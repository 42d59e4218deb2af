// The one General MIDI synthesizer (FluidSynth, with the sound font named
// below) that MIDI streams play on. It is made on first use and kept for the
// run, as loading the font takes a while; one stream owns it at a time.
#pragma once

#include <cstdint>

// Named explicitly: the default General MIDI link changes with the fonts installed.
constexpr const char* kMidiSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// False when another stream owns it or it cannot be made. The new owner
// starts from silence: nothing the last one left sounding is heard.
bool AcquireMidiSynth(const void* owner);
void ReleaseMidiSynth(const void* owner);

// The owner's calls. A short message is status | data1 << 8 | data2 << 16.
void PlayMidiSynthMessage(uint32_t message);
// Note-offs on every channel, sustain released first; the notes ring out.
void ReleaseMidiSynthNotes();
// Interleaved stereo frames at kAudioRate.
void RenderMidiSynth(int16_t* frames, uint32_t count);
