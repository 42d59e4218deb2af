// Sound effects: WAV resources converted once, at load time, to the one
// format the mixer plays (44100 Hz, mono, signed 16-bit).
#pragma once

#include <cstdint>
#include <string>

#include "foundation/ref_counted.h"
#include "platform/win_mmsystem.h"

class CSoundData : public CRefCountedObject
{
public:
    // Copies the samples; the object starts with one reference.
    CSoundData(const int16_t* source, uint32_t count);
    ~CSoundData() override;

    int16_t* samples = nullptr;
    uint32_t sampleCount = 0;
};

// The mixer's format, also the wave output device's.
extern const WAVEFORMATEX g_mixerFormat;

// The "WAV" resource of that name, or null if it is missing or unusable.
// The caller owns the one reference of the result.
CSoundData* LoadSoundResource(std::string name);
// Null for anything that is not a RIFF WAVE the converter can read.
CSoundData* ConvertWaveToSoundData(uint32_t size, const uint8_t* data);
