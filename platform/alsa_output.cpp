#include "platform/alsa_output.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/audio_backend.h"

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Enough to ride out a late refill, short enough that effects follow the game.
constexpr unsigned kLatencyMicroseconds = 60000;

} // namespace

bool OpenAlsaOutput(AlsaOutput& output, unsigned channels)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(IgnoreAlsaError); });
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return false;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels,
                           kAudioRate, 1, kLatencyMicroseconds) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    output.pcm = pcm;
    output.channels = channels;
    return true;
}

bool WriteAlsaOutput(AlsaOutput& output, const int16_t* frames, uint32_t count)
{
    while (count > 0 && output.pcm) {
        snd_pcm_sframes_t written = snd_pcm_writei(output.pcm, frames, count);
        if (written < 0) {
            if (snd_pcm_recover(output.pcm, static_cast<int>(written), 1) < 0)
                return false;
            continue;
        }
        frames += written * output.channels;
        count -= static_cast<uint32_t>(written);
    }
    return true;
}

void DropAlsaOutput(AlsaOutput& output)
{
    if (!output.pcm)
        return;
    snd_pcm_drop(output.pcm);
    snd_pcm_prepare(output.pcm);
}

void DrainAlsaOutput(AlsaOutput& output)
{
    snd_pcm_sframes_t delay = 0;
    if (!output.pcm || snd_pcm_delay(output.pcm, &delay) < 0 || delay <= 0)
        return;
    // Slept rather than snd_pcm_drain, which a stalled device could hold for ever.
    int64_t wait = static_cast<int64_t>(delay) * 1000000 / kAudioRate;
    if (wait > 2 * kLatencyMicroseconds)
        wait = 2 * kLatencyMicroseconds;
    std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

void CloseAlsaOutput(AlsaOutput& output)
{
    if (!output.pcm)
        return;
    snd_pcm_drop(output.pcm);
    snd_pcm_close(output.pcm);
    output.pcm = nullptr;
}
