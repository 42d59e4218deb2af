#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/win_acm.h"

namespace {

const WAVEFORMATEX kMixer = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};

WAVEFORMATEX Format(WORD tag, WORD channels, DWORD rate, WORD bits)
{
    WORD align = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{tag, channels, rate, rate * align, align, bits, 0};
}

// Runs the whole conversion as the WAV loader does; empty on any refusal.
std::vector<int16_t> Convert(const WAVEFORMATEX& source, const std::vector<uint8_t>& data,
                             MMRESULT* openResult = nullptr)
{
    HACMSTREAM stream = nullptr;
    MMRESULT result = acmStreamOpen(&stream, nullptr, &source, &kMixer, nullptr, 0, 0,
                                    ACM_STREAMOPENF_NONREALTIME);
    if (openResult)
        *openResult = result;
    if (result != MMSYSERR_NOERROR)
        return {};
    DWORD size = 0;
    EXPECT_EQ(acmStreamSize(stream, static_cast<DWORD>(data.size()), &size, ACM_STREAMSIZEF_SOURCE),
              MMSYSERR_NOERROR);
    std::vector<uint8_t> out(size + 1);
    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof header;
    header.pbSrc = data.data();
    header.cbSrcLength = static_cast<DWORD>(data.size());
    header.pbDst = out.data();
    header.cbDstLength = size;
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbDstLengthUsed, size);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    std::vector<int16_t> samples(header.cbDstLengthUsed / 2);
    memcpy(samples.data(), out.data(), samples.size() * 2);
    return samples;
}

template <typename T>
std::vector<uint8_t> Raw(const std::vector<T>& values)
{
    std::vector<uint8_t> out(values.size() * sizeof(T));
    memcpy(out.data(), values.data(), out.size());
    return out;
}

} // namespace

TEST(PcmConverter, IdentityCopiesAndIgnoresAPartialSample)
{
    std::vector<int16_t> samples = {-32768, -1, 0, 1, 32767};
    std::vector<uint8_t> data = Raw(samples);
    data.push_back(0x7F); // half a sample
    EXPECT_EQ(Convert(kMixer, data), samples);
}

TEST(PcmConverter, ChannelsAreAveragedOnTheSixteenBitScale)
{
    // 8-bit unsigned stereo: (0 - 128) * 256 and (255 - 128) * 256.
    EXPECT_EQ(Convert(Format(1, 2, 44100, 8), {0, 255, 128, 128}),
              (std::vector<int16_t>{(-32768 + 32512) / 2, 0}));
    // 24-bit keeps its top 16 bits; 32-bit likewise.
    EXPECT_EQ(Convert(Format(1, 1, 44100, 24), {0xFF, 0x34, 0x12, 0x00, 0x00, 0x80}),
              (std::vector<int16_t>{0x1234, -32768}));
    EXPECT_EQ(Convert(Format(1, 2, 44100, 32), Raw(std::vector<int32_t>{0x40000000, 0x20000000})),
              (std::vector<int16_t>{(0x4000 + 0x2000) / 2}));
    // Float: scaled by 32768, rounded, clamped; NaN is silence.
    std::vector<float> floats = {0.5f, -1.0f, 2.0f, -3.0f, NAN, 0.25f};
    EXPECT_EQ(Convert(Format(3, 1, 44100, 32), Raw(floats)),
              (std::vector<int16_t>{16384, -32768, 32767, -32768, 0, 8192}));
    // Six channels, one loud: the mean.
    std::vector<int16_t> six = {6000, 0, 0, 0, 0, 0};
    EXPECT_EQ(Convert(Format(1, 6, 44100, 16), Raw(six)), (std::vector<int16_t>{1000}));
}

TEST(PcmConverter, OtherRatesAreInterpolatedLinearly)
{
    // 22050 Hz: every second output sample lies halfway between two input samples.
    std::vector<int16_t> half = Convert(Format(1, 1, 22050, 16), Raw(std::vector<int16_t>{0, 1000, -1000}));
    EXPECT_EQ(half, (std::vector<int16_t>{0, 500, 1000, 0, -1000, -1000}));
    // 88200 Hz: every second input sample, the duration kept.
    std::vector<int16_t> doubled = Convert(Format(1, 1, 88200, 16), Raw(std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(doubled, (std::vector<int16_t>{1, 3, 5}));
    // An odd rate keeps the length in proportion.
    std::vector<int16_t> many(1000, 300);
    EXPECT_EQ(Convert(Format(1, 1, 8000, 16), Raw(many)).size(), 1000u * 44100 / 8000);
    // Rates above, below and far below the mixer's, each sample where its time falls.
    std::vector<int16_t> ramp;
    for (int i = 0; i < 400; ++i)
        ramp.push_back(static_cast<int16_t>(i * 80 - 16000));
    for (DWORD rate : {3u, 11025u, 48000u, 100000u}) {
        std::vector<int16_t> out = Convert(Format(1, 1, rate, 16), Raw(ramp));
        ASSERT_EQ(out.size(), ramp.size() * 44100 / rate) << rate;
        for (size_t j = 0; j < out.size(); ++j) {
            uint64_t position = uint64_t(j) * rate;
            size_t i = position / 44100;
            int expected = ramp[i];
            if (i + 1 < ramp.size())
                expected += static_cast<int>((ramp[i + 1] - ramp[i]) * int64_t(position % 44100) / 44100);
            ASSERT_EQ(out[j], expected) << rate << " Hz, sample " << j;
        }
    }
}

TEST(PcmConverter, RefusesWhatItCannotConvert)
{
    MMRESULT result = 0;
    for (WAVEFORMATEX format : {Format(2, 1, 44100, 4), Format(1, 1, 44100, 12), Format(1, 0, 44100, 16),
                                Format(1, 9, 44100, 16), Format(1, 1, 0, 16), Format(3, 1, 44100, 64),
                                Format(3, 1, 44100, 16)}) {
        EXPECT_TRUE(Convert(format, {0, 0, 0, 0}, &result).empty());
        EXPECT_EQ(result, ACMERR_NOTPOSSIBLE);
    }
    WAVEFORMATEX misaligned = Format(1, 2, 44100, 16);
    misaligned.nBlockAlign = 3;
    EXPECT_TRUE(Convert(misaligned, {0, 0, 0}, &result).empty());
    EXPECT_EQ(result, ACMERR_NOTPOSSIBLE);
    // Only the mixer's format is made.
    HACMSTREAM stream = nullptr;
    WAVEFORMATEX stereo = Format(1, 2, 44100, 16);
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, &kMixer, &stereo, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &kMixer, &kMixer, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
}

TEST(PcmConverter, ExtensibleFormatsNameTheirSampleKindInTheSubformat)
{
    WAVEFORMATEXTENSIBLE format = {};
    format.Format = Format(WAVE_FORMAT_EXTENSIBLE, 1, 44100, 32);
    format.Format.cbSize = 22;
    format.wValidBitsPerSample = 32;
    const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    format.SubFormat.Data1 = WAVE_FORMAT_IEEE_FLOAT;
    memcpy(&format.SubFormat.Data2, tail, sizeof tail);
    EXPECT_EQ(Convert(format.Format, Raw(std::vector<float>{0.5f})), (std::vector<int16_t>{16384}));
    format.SubFormat.Data4[7] = 0;
    EXPECT_TRUE(Convert(format.Format, Raw(std::vector<float>{0.5f})).empty());
    format.Format.cbSize = 20; // too short to hold a subformat
    EXPECT_TRUE(Convert(format.Format, Raw(std::vector<float>{0.5f})).empty());
}

TEST(PcmConverter, SizesOutOfReachAreRefused)
{
    HACMSTREAM stream = nullptr;
    WAVEFORMATEX slow = Format(1, 1, 1, 8);
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &slow, &kMixer, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    DWORD size = 0;
    EXPECT_EQ(acmStreamSize(stream, 100, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 100u * 44100 * 2);
    EXPECT_EQ(acmStreamSize(stream, 0xFFFFFFFFu, &size, ACM_STREAMSIZEF_SOURCE), ACMERR_NOTPOSSIBLE);
    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof header;
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
    acmStreamClose(stream, 0);
}
