#include "platform/midi_synth.h"

#include <fluidsynth.h>

#include <mutex>

#include "platform/audio_backend.h"

namespace {

std::mutex g_synthMutex;
fluid_synth_t* g_synth = nullptr;
const void* g_synthOwner = nullptr;
// Frames handed out since the synth was made. It renders whole blocks, and
// what a call leaves of its last block comes out first at the next call.
uint64_t g_framesOut = 0;
// The reset leaves part of the reverb's tail in place; in half a second of
// rendering (a few ms of work) it dies away.
constexpr uint32_t kSettleFrames = kAudioRate / 2;

void IgnoreFluidLog(int, const char*, void*) {}

fluid_synth_t* Synth()
{
    if (g_synth)
        return g_synth;
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, IgnoreFluidLog, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kAudioRate);
    fluid_settings_setnum(settings, "synth.gain", 0.6);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, kMidiSoundFont, 1) == FLUID_FAILED) {
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return nullptr;
    }
    g_synth = synth;
    return g_synth;
}

// The last stream stopped with its notes in release, the reverb ringing and
// part of a block rendered; heard at the next start, they would come back
// after the silence. A reset alone lets sounding notes ring on, so every
// sound stops after it, and what is left is rendered away unheard.
void StartFromSilence()
{
    fluid_synth_system_reset(g_synth);
    fluid_synth_all_sounds_off(g_synth, -1);
    uint64_t block = static_cast<uint64_t>(fluid_synth_get_internal_bufsize(g_synth));
    uint32_t left = static_cast<uint32_t>((block - g_framesOut % block) % block) + kSettleFrames;
    int16_t scratch[256 * 2];
    while (left > 0) {
        uint32_t count = left < 256 ? left : 256;
        RenderMidiSynth(scratch, count);
        left -= count;
    }
}

} // namespace

bool AcquireMidiSynth(const void* owner)
{
    std::lock_guard<std::mutex> lock(g_synthMutex);
    if (g_synthOwner || !Synth())
        return false;
    StartFromSilence();
    g_synthOwner = owner;
    return true;
}

void ReleaseMidiSynth(const void* owner)
{
    std::lock_guard<std::mutex> lock(g_synthMutex);
    if (g_synthOwner == owner)
        g_synthOwner = nullptr;
}

void PlayMidiSynthMessage(uint32_t message)
{
    int channel = message & 0x0F;
    int data1 = (message >> 8) & 0x7F;
    int data2 = (message >> 16) & 0x7F;
    switch (message & 0xF0) {
    case 0x80: fluid_synth_noteoff(g_synth, channel, data1); break;
    case 0x90: fluid_synth_noteon(g_synth, channel, data1, data2); break;
    case 0xA0: fluid_synth_key_pressure(g_synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(g_synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(g_synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(g_synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(g_synth, channel, data1 | data2 << 7); break;
    default: break; // system messages have no place in a short event
    }
}

void ReleaseMidiSynthNotes()
{
    if (!g_synth)
        return;
    for (int channel = 0; channel < 16; ++channel)
        fluid_synth_cc(g_synth, channel, 64, 0); // sustain would hold the notes on
    fluid_synth_all_notes_off(g_synth, -1);
}

void RenderMidiSynth(int16_t* frames, uint32_t count)
{
    fluid_synth_write_s16(g_synth, static_cast<int>(count), frames, 0, 2, frames, 1, 2);
    g_framesOut += count;
}
