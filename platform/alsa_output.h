// Blocking 16-bit PCM output on ALSA's "default" device, which reaches
// PulseAudio or PipeWire on a desktop. Without a sound card opening fails at
// once, and ALSA's own error printing is kept quiet.
#pragma once

#include <cstdint>

struct _snd_pcm;

struct AlsaOutput
{
    _snd_pcm* pcm = nullptr;
    unsigned channels = 0;
};

bool OpenAlsaOutput(AlsaOutput& output, unsigned channels);
// Blocks until the frames are in the device's buffer; recovers from underruns.
// False once the device is gone (unplugged, or its sound server ended): it
// then returns at once, so a caller that kept writing would spin.
bool WriteAlsaOutput(AlsaOutput& output, const int16_t* frames, uint32_t count);
// Drops whatever is still buffered.
void DropAlsaOutput(AlsaOutput& output);
// Waits for what is buffered to play, never longer than twice the latency.
void DrainAlsaOutput(AlsaOutput& output);
void CloseAlsaOutput(AlsaOutput& output);
