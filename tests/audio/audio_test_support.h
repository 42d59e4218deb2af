// Builders for WAV and MIDI bytes, and a way to run the sound thread's
// message handling on the test's own thread against manual-clock devices.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_thread.h"
#include "platform/audio_backend.h"

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutBe(Bytes& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void Append(Bytes& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

inline void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

// A chunk with its 8-byte header; an odd length gets its pad byte.
inline Bytes Chunk(const std::string& id, const Bytes& body, bool pad = true)
{
    Bytes out;
    Append(out, id);
    PutLe(out, static_cast<uint32_t>(body.size()), 4);
    Append(out, body);
    if (pad && (body.size() & 1))
        out.push_back(0);
    return out;
}

inline Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes out;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutLe(out, tag, 2);
    PutLe(out, channels, 2);
    PutLe(out, rate, 4);
    PutLe(out, rate * align, 4);
    PutLe(out, align, 2);
    PutLe(out, bits, 2);
    return out;
}

inline Bytes Riff(const Bytes& chunks)
{
    Bytes out;
    Append(out, "RIFF");
    PutLe(out, static_cast<uint32_t>(chunks.size() + 4), 4);
    Append(out, "WAVE");
    Append(out, chunks);
    return out;
}

inline Bytes Samples16(const std::vector<int16_t>& samples)
{
    Bytes out;
    for (int16_t s : samples)
        PutLe(out, static_cast<uint16_t>(s), 2);
    return out;
}

// A 44100 Hz mono 16-bit WAV: the mixer's own format.
inline Bytes MonoWave(const std::vector<int16_t>& samples)
{
    Bytes chunks = Chunk("fmt ", FormatBody(1, 1, 44100, 16));
    Append(chunks, Chunk("data", Samples16(samples)));
    return Riff(chunks);
}

inline Bytes VarLen(uint32_t value)
{
    Bytes out{static_cast<uint8_t>(value & 0x7F)};
    while (value >>= 7)
        out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

inline Bytes MidiHeader(uint16_t format, uint16_t tracks, uint16_t division, uint32_t length = 6)
{
    Bytes out;
    Append(out, "MThd");
    PutBe(out, length, 4);
    PutBe(out, format, 2);
    PutBe(out, tracks, 2);
    PutBe(out, division, 2);
    return out;
}

inline Bytes MidiChunk(const std::string& id, const Bytes& body)
{
    Bytes out;
    Append(out, id);
    PutBe(out, static_cast<uint32_t>(body.size()), 4);
    Append(out, body);
    return out;
}

inline Bytes MidiFile(const std::vector<Bytes>& tracks, uint16_t division = 192)
{
    Bytes out = MidiHeader(1, static_cast<uint16_t>(tracks.size()), division);
    for (const Bytes& track : tracks)
        Append(out, MidiChunk("MTrk", track));
    return out;
}

// Delta time then the event's bytes.
inline Bytes Event(uint32_t delta, const Bytes& data)
{
    Bytes out = VarLen(delta);
    Append(out, data);
    return out;
}

inline CSoundData* MakeSound(const std::vector<int16_t>& samples)
{
    return new CSoundData(samples.data(), static_cast<uint32_t>(samples.size()));
}

// Runs the sound thread's state on the calling thread; the manual devices
// post their notifications here and Pump hands them over.
struct ManualSoundThread
{
    SoundThreadState state;

    ManualSoundThread()
    {
        SetAudioBackend(AudioBackend::Manual);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ManualWaveOutTakePlayed();
        ManualMidiStreamTakeLog();
        InitSoundThreadState(state);
    }
    ~ManualSoundThread()
    {
        DestroySoundThreadState(state);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        HandleSoundMessage(state, MSG{nullptr, message, wParam, lParam, 0});
    }
    // Handles every device notification waiting; returns how many there were.
    int Pump()
    {
        int handled = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == MM_WOM_DONE || msg.message == MM_MOM_DONE)
                ++handled;
            HandleSoundMessage(state, msg);
        }
        return handled;
    }
};

// Plays both manual devices on a thread of its own, faster than real time,
// for tests with a real sound thread.
class ManualClock
{
public:
    ManualClock()
        : thread([this] {
              while (!stop) {
                  ManualWaveOutAdvance(kMixBlockSamples);
                  ManualMidiStreamAdvance(11025);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          })
    {
    }
    ~ManualClock()
    {
        stop = true;
        thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};
