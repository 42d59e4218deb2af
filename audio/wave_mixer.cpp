#include "audio/wave_mixer.h"

#include <cstdlib>
#include <cstring>

#include "audio/sound_thread.h"

namespace {

struct Ramp
{
    int64_t current;
    int64_t target;
    int64_t step;
    int64_t length; // samples of this block that are still on the ramp
};

int64_t Distance(const CWaveMixer& mixer, int c)
{
    int64_t d = static_cast<int64_t>(mixer.targetGain[c]) - mixer.currentGain[c];
    return d < 0 ? -d : d;
}

Ramp GetRamp(const CWaveMixer& mixer, int c)
{
    Ramp ramp;
    ramp.current = mixer.currentGain[c];
    ramp.target = mixer.targetGain[c];
    ramp.step = ramp.current < ramp.target ? kGainRampStep : -kGainRampStep;
    int64_t length = Distance(mixer, c) * 256 / kGainRampStep;
    ramp.length = length > kMixBlockSamples ? kMixBlockSamples : length;
    return ramp;
}

int64_t FloorDiv256(int64_t value)
{
    return value >= 0 ? value / 256 : -((-value + 255) / 256);
}

int64_t GainAt(const Ramp& ramp, int64_t i)
{
    return i < ramp.length ? ramp.current + FloorDiv256(i * ramp.step) : ramp.target;
}

void AdvanceGains(CWaveMixer& mixer)
{
    for (int c = 0; c < 3; ++c) {
        if (mixer.currentGain[c] == mixer.targetGain[c])
            continue;
        int64_t length = Distance(mixer, c) * 256 / kGainRampStep;
        if (length < kMixBlockSamples) {
            mixer.currentGain[c] = mixer.targetGain[c];
        } else {
            int64_t step = mixer.currentGain[c] < mixer.targetGain[c] ? kGainRampStep : -kGainRampStep;
            mixer.currentGain[c] = static_cast<uint32_t>(mixer.currentGain[c] + 8 * step);
        }
    }
}

uint32_t ChannelOf(const PlayingSound& entry)
{
    return entry.flags & 0xF;
}

// One repetition, from entry.start to entry.start + the sound's length. Positions
// are taken relative to the block, so the timeline may wrap past 2^32.
bool MixInstance(const CWaveMixer& mixer, const PlayingSound& entry, int32_t* accumulator)
{
    int64_t start = static_cast<int32_t>(entry.start - mixer.writePosition);
    int64_t end = start + entry.sound->sampleCount;
    if (end <= 0 || start >= kMixBlockSamples)
        return false;
    uint32_t c = ChannelOf(entry);
    if (mixer.currentGain[c] == 0 && mixer.targetGain[c] == 0)
        return false;
    int64_t from = start > 0 ? start : 0;
    int64_t to = end < kMixBlockSamples ? end : kMixBlockSamples;
    Ramp ramp = GetRamp(mixer, static_cast<int>(c));
    const int16_t* samples = entry.sound->samples;
    for (int64_t i = from; i < to; ++i) {
        int64_t product = static_cast<int64_t>(samples[i - start]) * GainAt(ramp, i);
        accumulator[i] += static_cast<int32_t>(product / 65536);
    }
    return true;
}

bool EndsInBlock(const CWaveMixer& mixer, const PlayingSound& entry)
{
    return entry.start + entry.sound->sampleCount - mixer.writePosition < kMixBlockSamples;
}

bool MixEntry(const CWaveMixer& mixer, PlayingSound& entry, int32_t* accumulator)
{
    bool contributed = false;
    if (entry.flags & SOUND_LOOP) {
        while (EndsInBlock(mixer, entry)) {
            contributed |= MixInstance(mixer, entry, accumulator);
            entry.start += entry.sound->sampleCount;
        }
    }
    contributed |= MixInstance(mixer, entry, accumulator);
    if (!(entry.flags & SOUND_LOOP) && EndsInBlock(mixer, entry))
        entry.finished = 1;
    return contributed;
}

// Master gain in 64 bits: eight loud sounds times unity do not fit in 32.
void WriteBlock(const CWaveMixer& mixer, const int32_t* accumulator, int16_t* out)
{
    Ramp master = GetRamp(mixer, 0);
    for (uint32_t i = 0; i < kMixBlockSamples; ++i) {
        int64_t value = accumulator[i];
        int64_t gain = GainAt(master, i);
        if (gain != kUnityGain)
            value = value * gain / 65536;
        if (value > kMaxSample)
            value = kMaxSample;
        if (value < -kMaxSample)
            value = -kMaxSample;
        out[i] = static_cast<int16_t>(value);
    }
}

// Keeps the order of the entries left.
template <typename Predicate>
void RemoveSounds(CWaveMixer& mixer, Predicate remove)
{
    uint32_t kept = 0;
    for (uint32_t i = 0; i < mixer.soundCount; ++i) {
        if (remove(mixer.sounds[i]))
            mixer.sounds[i].sound->Release();
        else
            mixer.sounds[kept++] = mixer.sounds[i];
    }
    mixer.soundCount = kept;
}

} // namespace

bool CWaveMixer::Init()
{
    active = 0;
    stopping = 0;
    writePosition = 0;
    basePosition = 0;
    queuedBlocks = 0;
    soundCount = 0;
    device = nullptr;
    nextBlock = 0;
    currentGain[0] = targetGain[0] = 0;
    for (int c = 1; c < 3; ++c)
        currentGain[c] = targetGain[c] = kUnityGain;
    memset(headers, 0, sizeof headers);
    bool ok = true;
    for (int16_t*& block : blocks) {
        block = static_cast<int16_t*>(calloc(kMixBlockSamples, sizeof(int16_t)));
        ok = ok && block;
    }
    return ok;
}

void CWaveMixer::Start()
{
    targetGain[0] = kUnityGain;
    stopping = 0;
    if (!active)
        Open();
    if (!active)
        return;
    uint32_t more = queuedBlocks < kMixBlocks ? kMixBlocks - queuedBlocks : 0;
    for (; more > 0 && active; --more)
        MixAndQueue();
}

void CWaveMixer::Open()
{
    if (waveOutOpen(&device, WAVE_MAPPER, &g_mixerFormat, GetCurrentThreadId(), 0, CALLBACK_THREAD)
        != MMSYSERR_NOERROR) {
        device = nullptr;
        return;
    }
    memset(headers, 0, sizeof headers);
    for (uint32_t b = 0; b < kMixBlocks; ++b) {
        headers[b].lpData = reinterpret_cast<char*>(blocks[b]);
        headers[b].dwBufferLength = kMixBlockSamples * sizeof(int16_t);
        waveOutPrepareHeader(device, &headers[b], sizeof(WAVEHDR));
        headers[b].dwFlags |= WHDR_DONE;
    }
    basePosition = writePosition;
    queuedBlocks = 0;
    currentGain[0] = 0;
    nextBlock = 0;
    active = 1;
    for (uint32_t b = 0; b < kMixBlocks; ++b)
        MixAndQueue();
}

void CWaveMixer::Close()
{
    waveOutReset(device);
    for (WAVEHDR& header : headers)
        waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);
    device = nullptr;
    active = 0;
}

void CWaveMixer::Destroy()
{
    if (active)
        Close();
    for (int16_t*& block : blocks) {
        free(block);
        block = nullptr;
    }
    RemoveSounds(*this, [](const PlayingSound&) { return true; });
}

void CWaveMixer::Play(CSoundData* sound, uint32_t flags)
{
    uint32_t channel = flags & 0xF;
    // Only the master and two channels have gains; a restart of any other is ignored.
    if ((flags & SOUND_RESTART_CHANNEL) && channel <= 2) {
        RemoveSounds(*this, [channel](const PlayingSound& entry) {
            return channel == 0 || ChannelOf(entry) == channel;
        });
        currentGain[channel] = 0;
    }
    if (!sound)
        return;
    if (sound->sampleCount > 0 && soundCount < kMaxPlayingSounds && (channel == 1 || channel == 2))
        sounds[soundCount++] = PlayingSound{sound, flags, GetStartPosition(), 0};
    else
        sound->Release();
}

void CWaveMixer::MixAndQueue()
{
    int32_t accumulator[kMixBlockSamples] = {};
    bool contributed = false;
    for (uint32_t i = 0; i < soundCount; ++i)
        contributed |= MixEntry(*this, sounds[i], accumulator);
    int16_t* out = blocks[nextBlock];
    if (contributed)
        WriteBlock(*this, accumulator, out);
    else
        memset(out, 0, kMixBlockSamples * sizeof(int16_t));
    if (waveOutWrite(device, &headers[nextBlock], sizeof(WAVEHDR)) == MMSYSERR_NOERROR) {
        queuedBlocks += 1;
        nextBlock = (nextBlock + 1) % kMixBlocks;
    }
    writePosition += kMixBlockSamples;
    RemoveSounds(*this, [](const PlayingSound& entry) { return entry.finished != 0; });
    AdvanceGains(*this);
}

uint32_t CWaveMixer::GetStartPosition()
{
    if (!active)
        return writePosition;
    MMTIME time;
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR
        || time.wType != TIME_SAMPLES)
        return writePosition;
    uint32_t p = basePosition + time.u.sample + kMixBlockSamples;
    // writePosition <= p <= writePosition + 2048, on a timeline that may wrap.
    return p - writePosition <= kMixBlockSamples ? p : writePosition;
}
