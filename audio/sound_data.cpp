#include "audio/sound_data.h"

#include <cstdlib>
#include <cstring>

#include "platform/win_acm.h"
#include "audio/resource_bytes.h"

const WAVEFORMATEX g_mixerFormat = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};

CSoundData::CSoundData(const int16_t* source, uint32_t count)
    : samples(new int16_t[count]), sampleCount(count)
{
    if (count > 0)
        memcpy(samples, source, count * sizeof(int16_t));
}

CSoundData::~CSoundData()
{
    delete[] samples;
}

namespace {

uint32_t ReadU32(const uint8_t* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint16_t ReadU16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

struct WaveChunks
{
    const uint8_t* format = nullptr;
    uint32_t formatLength = 0;
    const uint8_t* data = nullptr;
    uint32_t dataLength = 0;
};

// The first usable "fmt " and "data" chunks. Lengths are checked against
// what is left in 64 bits, so no length can wrap past the end.
WaveChunks FindChunks(uint32_t size, const uint8_t* data)
{
    WaveChunks found;
    uint64_t left = size - 12;
    const uint8_t* cursor = data + 12;
    while (left > 8) {
        uint32_t length = ReadU32(cursor + 4);
        bool isFormat = memcmp(cursor, "fmt ", 4) == 0;
        bool isData = memcmp(cursor, "data", 4) == 0;
        left -= 8;
        cursor += 8;
        uint64_t padded = static_cast<uint64_t>(length) + (length & 1);
        if (padded > left)
            break;
        if (isFormat && !found.format && length >= 16) {
            found.format = cursor;
            found.formatLength = length;
        }
        if (isData && !found.data) {
            found.data = cursor;
            found.dataLength = length;
        }
        left -= padded;
        cursor += padded;
    }
    return found;
}

// The format as the converter wants it. cbSize is read only where the chunk
// holds it, and only as many extra bytes as the chunk holds are passed on.
WAVEFORMATEXTENSIBLE SourceFormat(const WaveChunks& chunks)
{
    WAVEFORMATEXTENSIBLE format;
    memset(&format, 0, sizeof format);
    const uint8_t* at = chunks.format;
    format.Format.wFormatTag = ReadU16(at);
    format.Format.nChannels = ReadU16(at + 2);
    format.Format.nSamplesPerSec = ReadU32(at + 4);
    format.Format.nAvgBytesPerSec = ReadU32(at + 8);
    format.Format.nBlockAlign = ReadU16(at + 12);
    format.Format.wBitsPerSample = ReadU16(at + 14);
    if (format.Format.wFormatTag == WAVE_FORMAT_PCM || chunks.formatLength < 18)
        return format;
    uint32_t extra = ReadU16(at + 16);
    uint32_t held = chunks.formatLength - 18;
    uint32_t room = sizeof format - sizeof(WAVEFORMATEX);
    extra = extra < held ? extra : held;
    extra = extra < room ? extra : room;
    memcpy(reinterpret_cast<uint8_t*>(&format) + sizeof(WAVEFORMATEX), at + 18, extra);
    format.Format.cbSize = static_cast<WORD>(extra);
    return format;
}

CSoundData* Convert(HACMSTREAM stream, const WaveChunks& chunks)
{
    DWORD outputSize = 0;
    if (acmStreamSize(stream, chunks.dataLength, &outputSize, ACM_STREAMSIZEF_SOURCE)
        != MMSYSERR_NOERROR)
        return nullptr;
    auto* output = static_cast<BYTE*>(malloc(outputSize ? outputSize : 1));
    if (!output)
        return nullptr;
    ACMSTREAMHEADER header;
    memset(&header, 0, sizeof header);
    header.cbStruct = sizeof header;
    header.pbSrc = chunks.data;
    header.cbSrcLength = chunks.dataLength;
    header.pbDst = output;
    header.cbDstLength = outputSize;
    CSoundData* sound = nullptr;
    if (acmStreamPrepareHeader(stream, &header, 0) == MMSYSERR_NOERROR) {
        if (acmStreamConvert(stream, &header, 0) == MMSYSERR_NOERROR)
            sound = new CSoundData(reinterpret_cast<const int16_t*>(output),
                                   header.cbDstLengthUsed / 2);
        acmStreamUnprepareHeader(stream, &header, 0);
    }
    free(output);
    return sound;
}

} // namespace

CSoundData* ConvertWaveToSoundData(uint32_t size, const uint8_t* data)
{
    if (!data || size <= 12)
        return nullptr;
    if (memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "WAVE", 4) != 0)
        return nullptr;
    WaveChunks chunks = FindChunks(size, data);
    if (!chunks.format || !chunks.data)
        return nullptr;
    WAVEFORMATEXTENSIBLE source = SourceFormat(chunks);
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, &source.Format, &g_mixerFormat, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME)
        != MMSYSERR_NOERROR)
        return nullptr;
    CSoundData* sound = Convert(stream, chunks);
    acmStreamClose(stream, 0);
    return sound;
}

CSoundData* LoadSoundResource(std::string name)
{
    uint32_t size = 0;
    const uint8_t* data = FindResourceBytes(name.c_str(), "WAV", &size);
    return data ? ConvertWaveToSoundData(size, data) : nullptr;
}
