#include "platform/win_acm.h"

#include <cmath>
#include <cstring>
#include <new>

#include "platform/audio_backend.h"

struct AcmStream
{
    bool isFloat;
    unsigned bytesPerSample;
    unsigned channels;
    uint32_t rate;
    unsigned blockAlign;
};

namespace {

// What follows Data1 in every WAVE_FORMAT_EXTENSIBLE subformat GUID of a plain tag.
const uint8_t kSubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                    0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool PlainTag(const WAVEFORMATEX& format, WORD* tag)
{
    if (format.wFormatTag != WAVE_FORMAT_EXTENSIBLE) {
        *tag = format.wFormatTag;
        return true;
    }
    if (format.cbSize < 22)
        return false;
    const auto& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
    const GUID& guid = extensible.SubFormat;
    if (memcmp(&guid.Data2, kSubFormatTail, sizeof kSubFormatTail) != 0 || guid.Data1 > 0xFFFF)
        return false;
    *tag = static_cast<WORD>(guid.Data1);
    return true;
}

bool DescribeSource(const WAVEFORMATEX& format, AcmStream* stream)
{
    WORD tag;
    if (!PlainTag(format, &tag))
        return false;
    unsigned bits = format.wBitsPerSample;
    bool pcm = tag == WAVE_FORMAT_PCM && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    bool ieee = tag == WAVE_FORMAT_IEEE_FLOAT && bits == 32;
    if (!pcm && !ieee)
        return false;
    if (format.nChannels < 1 || format.nChannels > 8 || format.nSamplesPerSec == 0)
        return false;
    if (format.nBlockAlign != format.nChannels * bits / 8)
        return false;
    stream->isFloat = ieee;
    stream->bytesPerSample = bits / 8;
    stream->channels = format.nChannels;
    stream->rate = format.nSamplesPerSec;
    stream->blockAlign = format.nBlockAlign;
    return true;
}

bool IsMixerFormat(const WAVEFORMATEX& format)
{
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 1
        && format.nSamplesPerSec == kAudioRate && format.wBitsPerSample == 16
        && format.nBlockAlign == 2;
}

uint64_t OutputSamples(const AcmStream& stream, uint64_t frames)
{
    return frames * kAudioRate / stream.rate;
}

int32_t ReadSample(const AcmStream& stream, const BYTE* at)
{
    switch (stream.bytesPerSample) {
    case 1:
        return (at[0] - 128) * 256;
    case 2:
        return static_cast<int16_t>(at[0] | at[1] << 8);
    case 3: {
        uint32_t raw = at[0] | at[1] << 8 | static_cast<uint32_t>(at[2]) << 16;
        return static_cast<int32_t>(raw << 8) >> 16;
    }
    default: {
        uint32_t raw = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
        if (!stream.isFloat)
            return static_cast<int32_t>(raw) >> 16;
        float value;
        memcpy(&value, &raw, 4);
        if (!(value == value))
            return 0;
        double scaled = std::floor(static_cast<double>(value) * 32768.0 + 0.5);
        return scaled > 32767.0 ? 32767 : scaled < -32768.0 ? -32768 : static_cast<int32_t>(scaled);
    }
    }
}

// The mean of one frame's channels, on the 16-bit scale.
int32_t MonoFrame(const AcmStream& stream, const BYTE* source, uint64_t frame)
{
    const BYTE* at = source + frame * stream.blockAlign;
    int64_t sum = 0;
    for (unsigned c = 0; c < stream.channels; ++c)
        sum += ReadSample(stream, at + c * stream.bytesPerSample);
    return static_cast<int32_t>(sum / static_cast<int64_t>(stream.channels));
}

// Steps through the source by whole frames and a remainder rather than
// dividing for each sample, and mixes each source frame down once: a sound
// at a very low rate makes tens of millions of samples from a few frames.
void Convert(const AcmStream& stream, const BYTE* source, uint64_t frames, int16_t* out,
             uint64_t count)
{
    const uint64_t stepFrames = stream.rate / kAudioRate;
    const uint64_t stepFraction = stream.rate % kAudioRate;
    uint64_t frame = 0, fraction = 0;
    uint64_t mixed = UINT64_MAX; // the frame a and b were mixed for
    int32_t a = 0, b = 0;
    for (uint64_t j = 0; j < count; ++j) {
        if (frame != mixed) {
            a = MonoFrame(stream, source, frame);
            b = frame + 1 < frames ? MonoFrame(stream, source, frame + 1) : a;
            mixed = frame;
        }
        out[j] = static_cast<int16_t>(a + (b - a) * static_cast<int64_t>(fraction)
                                              / static_cast<int64_t>(kAudioRate));
        frame += stepFrames;
        fraction += stepFraction;
        if (fraction >= kAudioRate) {
            fraction -= kAudioRate;
            ++frame;
        }
    }
}

bool IsIdentity(const AcmStream& stream)
{
    return !stream.isFloat && stream.bytesPerSample == 2 && stream.channels == 1
        && stream.rate == kAudioRate;
}

} // namespace

MMRESULT acmStreamOpen(HACMSTREAM* result, HACMDRIVER, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, WAVEFILTER* filter, DWORD_PTR, DWORD_PTR,
                       DWORD flags)
{
    if (!source || !destination || (!result && !(flags & ACM_STREAMOPENF_QUERY)))
        return MMSYSERR_INVALPARAM;
    if (flags & ACM_STREAMOPENF_ASYNC)
        return MMSYSERR_NOTSUPPORTED;
    AcmStream stream;
    if (filter || !IsMixerFormat(*destination) || !DescribeSource(*source, &stream))
        return ACMERR_NOTPOSSIBLE;
    if (flags & ACM_STREAMOPENF_QUERY)
        return MMSYSERR_NOERROR;
    *result = new (std::nothrow) AcmStream(stream);
    return *result ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

MMRESULT acmStreamSize(HACMSTREAM stream, DWORD input, DWORD* output, DWORD flags)
{
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (!output)
        return MMSYSERR_INVALPARAM;
    uint64_t bytes;
    if (flags == ACM_STREAMSIZEF_SOURCE) {
        bytes = OutputSamples(*stream, input / stream->blockAlign) * 2;
    } else if (flags == ACM_STREAMSIZEF_DESTINATION) {
        uint64_t samples = input / 2;
        uint64_t frames = (samples * stream->rate + kAudioRate - 1) / kAudioRate;
        bytes = frames * stream->blockAlign;
    } else {
        return MMSYSERR_INVALFLAG;
    }
    if (bytes > kAcmMaxDestinationBytes)
        return ACMERR_NOTPOSSIBLE;
    *output = static_cast<DWORD>(bytes);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD)
{
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (!header || header->cbStruct < sizeof(ACMSTREAMHEADER)
        || (!header->pbSrc && header->cbSrcLength) || (!header->pbDst && header->cbDstLength))
        return MMSYSERR_INVALPARAM;
    header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD)
{
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (!header || header->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    uint64_t frames = header->cbSrcLength / stream->blockAlign;
    uint64_t count = OutputSamples(*stream, frames);
    if (count > header->cbDstLength / 2)
        count = header->cbDstLength / 2;
    auto* out = reinterpret_cast<int16_t*>(header->pbDst);
    if (IsIdentity(*stream) && count > 0)
        memcpy(out, header->pbSrc, count * 2);
    else
        Convert(*stream, header->pbSrc, frames, out, count);
    header->cbSrcLengthUsed = static_cast<DWORD>(frames * stream->blockAlign);
    header->cbDstLengthUsed = static_cast<DWORD>(count * 2);
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, DWORD)
{
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (!header)
        return MMSYSERR_INVALPARAM;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, DWORD)
{
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    delete stream;
    return MMSYSERR_NOERROR;
}
