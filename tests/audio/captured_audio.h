// What the capture backend's WAV files hold on the devices' own clocks, read
// also while they are still being written.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/captured_wave.h"

// While a device is closed or has run dry the capture inserts exact silence
// to keep to the wall clock. A device's own output never holds this many
// silent frames in a row: the synthesizer's quiet carries dither, and the
// effects tests play a hum under their sounds.
constexpr size_t kInsertedSilence = 64;

// The capture less the silence it inserted: what the device played, on the
// device's own clock whatever the load. Silence at the end may be inserted
// silence still being written: it is left out too.
inline CapturedWave WithoutInsertedSilence(const CapturedWave& capture)
{
    CapturedWave played = capture;
    played.samples.clear();
    size_t width = capture.channels ? capture.channels : 1;
    size_t silent = 0; // frames
    for (size_t f = 0; (f + 1) * width <= capture.samples.size(); ++f) {
        const int16_t* frame = &capture.samples[f * width];
        bool quiet = true;
        for (size_t c = 0; c < width; ++c)
            quiet = quiet && frame[c] == 0;
        if (quiet) {
            ++silent;
            continue;
        }
        if (silent < kInsertedSilence)
            played.samples.insert(played.samples.end(), silent * width, 0);
        played.samples.insert(played.samples.end(), frame, frame + width);
        silent = 0;
    }
    return played;
}

// Frames of the capture at `path` that the device played.
inline size_t PlayedFrames(const std::string& path)
{
    CapturedWave played = WithoutInsertedSilence(ReadCapture(path));
    return played.channels ? played.samples.size() / played.channels : 0;
}

// Polls until `done` holds, for at most 30 s; false if it never did.
template <typename Condition>
bool WaitForCapture(Condition done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
