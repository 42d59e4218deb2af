#include <gtest/gtest.h>

#include <thread>

#include "platform/win_wave_out.h"
#include "tests/platform/audio_device_test_support.h"

namespace {

const WAVEFORMATEX kFormat = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
constexpr uint32_t kBlock = 2048;

struct Blocks
{
    std::vector<int16_t> data[4];
    WAVEHDR headers[4] = {};

    explicit Blocks(HWAVEOUT device)
    {
        for (int b = 0; b < 4; ++b) {
            data[b].assign(kBlock, static_cast<int16_t>(1000 * (b + 1)));
            headers[b].lpData = reinterpret_cast<char*>(data[b].data());
            headers[b].dwBufferLength = kBlock * 2;
            EXPECT_EQ(waveOutPrepareHeader(device, &headers[b], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        }
    }
};

HWAVEOUT Open()
{
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &kFormat, GetCurrentThreadId(), 0, CALLBACK_THREAD),
              MMSYSERR_NOERROR);
    TakeMessages(); // MM_WOM_OPEN
    return device;
}

uint32_t Position(HWAVEOUT device)
{
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    EXPECT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.wType, static_cast<UINT>(TIME_SAMPLES));
    return time.u.sample;
}

} // namespace

TEST(WaveOutDevice, BlocksPlayBackToBackAndComeBackInOrder)
{
    SetAudioBackend(AudioBackend::Manual);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    HWAVEOUT device = Open();
    ASSERT_NE(device, nullptr);
    Blocks blocks(device);
    for (WAVEHDR& header : blocks.headers)
        EXPECT_EQ(waveOutWrite(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(device, &blocks.headers[0], sizeof(WAVEHDR)), static_cast<MMRESULT>(WAVERR_STILLPLAYING));
    EXPECT_EQ(ManualWaveOutAdvance(kBlock + 100), kBlock + 100);
    EXPECT_EQ(Position(device), kBlock + 100);
    EXPECT_TRUE(IsWaveHeaderDone(blocks.headers[0]));
    EXPECT_FALSE(IsWaveHeaderDone(blocks.headers[1]));
    std::vector<MSG> done = TakeMessages();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].message, static_cast<UINT>(MM_WOM_DONE));
    EXPECT_EQ(done[0].lParam, reinterpret_cast<LPARAM>(&blocks.headers[0]));
    // Running dry: the device plays only what it has.
    EXPECT_EQ(ManualWaveOutAdvance(10 * kBlock), 3 * kBlock - 100);
    std::vector<int16_t> played = ManualWaveOutTakePlayed();
    ASSERT_EQ(played.size(), 4 * kBlock);
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ(played[b * kBlock], 1000 * (b + 1));
    done = TakeMessages();
    ASSERT_EQ(done.size(), 3u);
    for (int b = 0; b < 3; ++b)
        EXPECT_EQ(done[b].lParam, reinterpret_cast<LPARAM>(&blocks.headers[b + 1]));
    for (WAVEHDR& header : blocks.headers)
        EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(TakeMessages().back().message, static_cast<UINT>(MM_WOM_CLOSE));
}

TEST(WaveOutDevice, ResetHandsEveryBlockBackAtOnce)
{
    SetAudioBackend(AudioBackend::Manual);
    HWAVEOUT device = Open();
    Blocks blocks(device);
    for (WAVEHDR& header : blocks.headers)
        waveOutWrite(device, &header, sizeof(WAVEHDR));
    ManualWaveOutAdvance(100);
    EXPECT_EQ(waveOutUnprepareHeader(device, &blocks.headers[2], sizeof(WAVEHDR)),
              static_cast<MMRESULT>(WAVERR_STILLPLAYING));
    EXPECT_EQ(waveOutClose(device), static_cast<MMRESULT>(WAVERR_STILLPLAYING));
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(TakeMessages().size(), 4u);
    EXPECT_EQ(Position(device), 0u);
    EXPECT_EQ(ManualWaveOutQueued(), 0u);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST(WaveOutDevice, RefusesOtherFormatsAndRunsSilentWithoutADevice)
{
    SetAudioBackend(AudioBackend::Manual);
    HWAVEOUT device = nullptr;
    WAVEFORMATEX stereo = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &stereo, 0, 0, CALLBACK_NULL),
              static_cast<MMRESULT>(WAVERR_BADFORMAT));
    SetAudioBackend(AudioBackend::None);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &kFormat, 0, 0, CALLBACK_NULL),
              static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    EXPECT_EQ(device, nullptr);
    // The sound card, if any: without one the open fails at once, quietly.
    SetAudioBackend(AudioBackend::Devices);
    auto start = std::chrono::steady_clock::now();
    if (waveOutOpen(&device, WAVE_MAPPER, &kFormat, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
        waveOutClose(device);
    EXPECT_LT(ElapsedMilliseconds(start), 4000); // a busy machine may take a while, a wait far longer
}

TEST(WaveOutDevice, CaptureWritesWhatPlaysPacedInRealTime)
{
    std::string dir = UseCaptureFolder();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    auto start = std::chrono::steady_clock::now();
    HWAVEOUT device = Open();
    ASSERT_NE(device, nullptr);
    Blocks blocks(device);
    int written = 0;
    for (WAVEHDR& header : blocks.headers)
        written += waveOutWrite(device, &header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    // Ten blocks in all, each written again as it comes back.
    int returned = 0;
    while (returned < 10 && ElapsedMilliseconds(start) < 5000) {
        if (!GetMessageA(&msg, nullptr, 0, 0) || msg.message != MM_WOM_DONE)
            continue;
        ++returned;
        if (written < 10) {
            auto* header = reinterpret_cast<WAVEHDR*>(msg.lParam);
            written += waveOutWrite(device, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        }
    }
    long elapsed = ElapsedMilliseconds(start);
    EXPECT_EQ(returned, 10);
    // 10 * 2048 samples last 464 ms; a busy machine may add seconds, never take any away.
    EXPECT_GE(elapsed, 440);
    EXPECT_LT(elapsed, 4000);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

    CapturedWave wave = ReadCapture(dir + "/skylume-effects.wav");
    EXPECT_EQ(wave.rate, 44100u);
    EXPECT_EQ(wave.channels, 1);
    ASSERT_GE(wave.samples.size(), 10 * kBlock);
    // Block k of the file holds the k-th block played, with no gap between them.
    size_t lead = wave.samples.size() - 10 * kBlock; // silence before the first block
    EXPECT_LT(lead, 2205u);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(wave.samples[lead + k * kBlock], 1000 * (k % 4 + 1)) << k;
}

TEST(WaveOutDevice, AFailedSoundCardHandsItsBlocksBackAndTakesNoMore)
{
    UseFailingSoundCard();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    HWAVEOUT device = Open();
    ASSERT_NE(device, nullptr);
    Blocks blocks(device);
    int queued = 0;
    int written = 0;
    MMRESULT refused = MMSYSERR_NOERROR;
    auto write = [&](WAVEHDR* header) {
        MMRESULT result = waveOutWrite(device, header, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR)
            refused = result;
        else
            ++queued, ++written;
    };
    for (WAVEHDR& header : blocks.headers)
        write(&header);
    // Each block written again as it comes back, as the mixer does, until one is refused.
    auto start = std::chrono::steady_clock::now();
    while (refused == MMSYSERR_NOERROR && written < 1000 && ElapsedMilliseconds(start) < 5000) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (msg.message != MM_WOM_DONE)
            continue;
        --queued;
        write(reinterpret_cast<WAVEHDR*>(msg.lParam));
    }
    EXPECT_EQ(refused, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    EXPECT_LT(written, 10); // refused about a buffer in, not after racing through blocks
    // What it still held comes back, and the device closes.
    while (queued > 0 && ElapsedMilliseconds(start) < 5000) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            queued -= msg.message == MM_WOM_DONE;
        else
            Sleep(1);
    }
    EXPECT_EQ(queued, 0);
    for (WAVEHDR& header : blocks.headers)
        EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}
