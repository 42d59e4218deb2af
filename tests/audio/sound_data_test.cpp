#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#include "audio/sound_data.h"
#include "tests/audio/audio_test_support.h"

namespace {

struct Released
{
    void operator()(CSoundData* sound) const { sound->Release(); }
};
using Sound = std::unique_ptr<CSoundData, Released>;

Sound Load(const Bytes& bytes)
{
    return Sound(ConvertWaveToSoundData(static_cast<uint32_t>(bytes.size()), bytes.data()));
}

// Copies into an exactly sized heap block, so ASan sees any read past its end.
Sound LoadExact(const Bytes& bytes)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return Sound(ConvertWaveToSoundData(static_cast<uint32_t>(bytes.size()), copy.get()));
}

std::vector<int16_t> SamplesOf(const CSoundData& sound)
{
    return std::vector<int16_t>(sound.samples, sound.samples + sound.sampleCount);
}

Bytes ReadData(const char* name)
{
    std::ifstream in(std::string(AUDIO_DATA_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<int16_t> Ramp(int count)
{
    std::vector<int16_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<int16_t>(i * 16 - 16000));
    return out;
}

} // namespace

TEST(SoundData, RefusesShortOrForeignData)
{
    EXPECT_EQ(ConvertWaveToSoundData(100, nullptr), nullptr);
    Bytes header = Riff({});
    EXPECT_EQ(header.size(), 12u);
    EXPECT_EQ(Load(header), nullptr);
    Bytes wave = MonoWave({1, 2, 3});
    Bytes notRiff = wave;
    notRiff[0] = 'X';
    EXPECT_EQ(Load(notRiff), nullptr);
    Bytes notWave = wave;
    notWave[11] = 'X';
    EXPECT_EQ(Load(notWave), nullptr);
    // Every truncation is refused, and read in bounds (ASan sees the exact block).
    for (size_t size = 0; size < wave.size(); ++size)
        EXPECT_EQ(LoadExact(Bytes(wave.begin(), wave.begin() + static_cast<long>(size))), nullptr) << size;
    Sound whole = LoadExact(wave);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(SamplesOf(*whole), (std::vector<int16_t>{1, 2, 3}));
}

TEST(SoundData, MixerFormatLoadsSampleForSample)
{
    std::vector<int16_t> samples = Ramp(1988);
    Bytes wave = MonoWave(samples);
    ASSERT_EQ(wave.size(), 44u + 3976u);
    Sound sound = LoadExact(wave);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->refCount, 1);
    EXPECT_EQ(SamplesOf(*sound), samples);
}

TEST(SoundData, ChunkWalk)
{
    Bytes data = Chunk("data", Samples16({7, 8}));
    // A 14-byte "fmt " is skipped and a later full one taken; "data" may come first.
    Bytes shortFormat = FormatBody(1, 1, 44100, 16);
    shortFormat.resize(14);
    Bytes chunks = data;
    Append(chunks, Chunk("fmt ", shortFormat));
    Append(chunks, Chunk("LIST", {1, 2, 3})); // odd: one pad byte follows
    Append(chunks, Chunk("fmt ", FormatBody(1, 1, 44100, 16)));
    Sound sound = LoadExact(Riff(chunks));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(SamplesOf(*sound), (std::vector<int16_t>{7, 8}));

    // Only a too-short format: nothing to play.
    Bytes noFormat = data;
    Append(noFormat, Chunk("fmt ", shortFormat));
    EXPECT_EQ(LoadExact(Riff(noFormat)), nullptr);

    // A chunk running past the end ends the walk; what was found before counts.
    Bytes truncated = Chunk("fmt ", FormatBody(1, 1, 44100, 16));
    Append(truncated, data);
    Append(truncated, Chunk("junk", Bytes(10, 0)));
    truncated.resize(truncated.size() - 4);
    sound = LoadExact(Riff(truncated));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->sampleCount, 2u);

    // Only 8 bytes left after the last chunk: a zero-length "data" there is not seen.
    Bytes tail = Chunk("fmt ", FormatBody(1, 1, 44100, 16));
    Append(tail, Chunk("data", {}));
    EXPECT_EQ(LoadExact(Riff(tail)), nullptr);
    // With one more byte it is, and makes a sound of no samples.
    tail.push_back(0);
    sound = LoadExact(Riff(tail));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->sampleCount, 0u);
}

TEST(SoundData, HugeChunkLengthCannotWrapPastTheEnd)
{
    // 0xFFFFFFFF rounded up to even in 32 bits is 0, which would pass the bounds test.
    Bytes chunks = Chunk("fmt ", FormatBody(1, 1, 44100, 16));
    Bytes huge;
    Append(huge, "junk");
    PutLe(huge, 0xFFFFFFFFu, 4);
    Append(chunks, huge);
    Append(chunks, Chunk("data", Samples16({1, 2, 3})));
    Sound sound = LoadExact(Riff(chunks));
    EXPECT_EQ(sound, nullptr); // the walk ends at the huge chunk: no "data" found

    Bytes hugeData;
    Append(hugeData, "data");
    PutLe(hugeData, 0xFFFFFFFEu, 4);
    Append(hugeData, Samples16({1, 2, 3}));
    Bytes withFormat = Chunk("fmt ", FormatBody(1, 1, 44100, 16));
    Append(withFormat, hugeData);
    EXPECT_EQ(LoadExact(Riff(withFormat)), nullptr);
}

TEST(SoundData, ExtraFormatBytesAreReadOnlyWhereTheChunkHoldsThem)
{
    // A float format in a 16-byte chunk: cbSize is not there and counts as 0.
    std::vector<float> values = {0.5f, -0.25f};
    Bytes body;
    for (float v : values) {
        uint32_t raw;
        memcpy(&raw, &v, 4);
        PutLe(body, raw, 4);
    }
    // The format chunk comes last, so a read of cbSize would run off the data.
    Bytes chunks = Chunk("data", body);
    Append(chunks, Chunk("fmt ", FormatBody(3, 1, 44100, 32)));
    Sound sound = LoadExact(Riff(chunks));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(SamplesOf(*sound), (std::vector<int16_t>{16384, -8192}));

    // An extensible format that claims 22 extra bytes but holds 4 is refused cleanly.
    Bytes extensible = FormatBody(0xFFFE, 1, 44100, 16);
    PutLe(extensible, 22, 2);
    PutLe(extensible, 16, 2);
    PutLe(extensible, 4, 2);
    Bytes partial = Chunk("fmt ", extensible);
    Append(partial, Chunk("data", Samples16({1, 2})));
    EXPECT_EQ(LoadExact(Riff(partial)), nullptr);
}

TEST(SoundData, UnconvertibleFormatsGiveNull)
{
    for (Bytes format : {FormatBody(2, 1, 44100, 4),    // compressed
                         FormatBody(1, 1, 44100, 12),   // odd sample size
                         FormatBody(1, 9, 44100, 16),   // too many channels
                         FormatBody(1, 1, 0, 16),       // no rate
                         FormatBody(3, 1, 44100, 64)}) { // double
        Bytes chunks = Chunk("fmt ", format);
        Append(chunks, Chunk("data", Bytes(64, 0)));
        EXPECT_EQ(LoadExact(Riff(chunks)), nullptr);
    }
    // A block alignment that disagrees with channels and bits.
    Bytes bad = FormatBody(1, 2, 44100, 16);
    bad[12] = 3;
    Bytes chunks = Chunk("fmt ", bad);
    Append(chunks, Chunk("data", Bytes(64, 0)));
    EXPECT_EQ(LoadExact(Riff(chunks)), nullptr);
}

TEST(SoundData, FilesWrittenBySoxConvertToTheMixerFormat)
{
    Sound reference = Load(ReadData("beep.wav"));
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(reference->sampleCount, 4410u);
    struct Case
    {
        const char* name;
        int tolerance; // quantisation of the source, and interpolation between its samples
    };
    for (Case c : {Case{"beep_u8_stereo_22050.wav", 900}, Case{"beep_s24_48000.wav", 600},
                   Case{"beep_float_stereo.wav", 1}, Case{"beep_s16_6ch.wav", 1}}) {
        SCOPED_TRACE(c.name);
        Sound sound = Load(ReadData(c.name));
        ASSERT_NE(sound, nullptr);
        EXPECT_NEAR(static_cast<double>(sound->sampleCount), 4410.0, 2.0);
        int worst = 0;
        for (uint32_t i = 0; i < sound->sampleCount && i < 4410; ++i)
            worst = std::max(worst, std::abs(sound->samples[i] - reference->samples[i]));
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(SoundData, ResourcesByNameInAnyCase)
{
    Sound beep(LoadSoundResource("beep"));
    ASSERT_NE(beep, nullptr);
    EXPECT_EQ(beep->sampleCount, 4410u);
    EXPECT_EQ(LoadSoundResource("missing"), nullptr);
    EXPECT_EQ(LoadSoundResource("silence"), nullptr); // an empty resource
    EXPECT_EQ(LoadSoundResource("song"), nullptr);    // not of type WAV
}
