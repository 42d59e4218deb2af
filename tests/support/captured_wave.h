// Reading back a WAV file that the capture backend wrote, or is writing: its
// header is rewritten after every append, so what it counts is always there.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct CapturedWave
{
    uint32_t rate = 0;
    uint16_t channels = 0;
    std::vector<int16_t> samples;
};

inline CapturedWave ReadCapture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CapturedWave wave;
    if (bytes.size() < 44 || memcmp(bytes.data(), "RIFF", 4) != 0)
        return wave;
    memcpy(&wave.channels, &bytes[22], 2);
    memcpy(&wave.rate, &bytes[24], 4);
    uint32_t dataBytes;
    memcpy(&dataBytes, &bytes[40], 4);
    if (44 + static_cast<size_t>(dataBytes) > bytes.size())
        return wave;
    wave.samples.resize(dataBytes / 2);
    if (!wave.samples.empty())
        memcpy(wave.samples.data(), &bytes[44], wave.samples.size() * 2);
    return wave;
}
