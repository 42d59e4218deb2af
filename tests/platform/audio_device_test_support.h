// Shared by the wave output and MIDI stream tests: a private folder for
// captured files, and reading a captured WAV back.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/audio_backend.h"
#include "platform/win_threads.h"
#include "tests/support/captured_wave.h"

// Capture into a fresh folder; each test runs in a process of its own.
inline std::string UseCaptureFolder()
{
    char pattern[] = "/tmp/skylume-capture-XXXXXX";
    std::string dir = mkdtemp(pattern);
    setenv("SKYLUME_AUDIO_DIR", dir.c_str(), 1);
    SetAudioBackend(AudioBackend::Capture);
    return dir;
}

// ALSA's "default" becomes a sound card whose samples go into a full file: it
// takes about one buffer's worth, then every write fails for good, as a card
// that was unplugged or whose sound server ended. Its null end returns at once.
inline void UseFailingSoundCard()
{
    char pattern[] = "/tmp/skylume-alsa-XXXXXX";
    std::string path = std::string(mkdtemp(pattern)) + "/asound.conf";
    std::ofstream(path) << "pcm.!default { type file slave.pcm { type null } "
                           "file \"/dev/full\" format \"raw\" }\n";
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    SetAudioBackend(AudioBackend::Devices);
}

// Handles nothing: collects the device notifications that reached this thread.
inline std::vector<MSG> TakeMessages()
{
    std::vector<MSG> out;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        out.push_back(msg);
    return out;
}

inline long ElapsedMilliseconds(std::chrono::steady_clock::time_point since)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - since)
                                 .count());
}
