// Up to eight sound effects on two channels, mixed in blocks of 2048 samples
// under ramped 16.16 gains onto the wave output device, with four blocks
// circulating between the mixer and the device. Sound thread only.
#pragma once

#include <cstdint>

#include "audio/sound_data.h"
#include "platform/win_wave_out.h"

constexpr uint32_t kMixBlockSamples = 2048;
constexpr uint32_t kMixBlocks = 4;
constexpr uint32_t kMaxPlayingSounds = 8;
constexpr uint32_t kUnityGain = 0x10000;
constexpr int32_t kGainRampStep = 3043; // gain units per 256 samples: 0 to unity in 125 ms
constexpr int32_t kMaxSample = 32767;

struct PlayingSound
{
    CSoundData* sound; // the entry holds one reference
    uint32_t flags;    // channel in bits 0-3, SOUND_LOOP, SOUND_RESTART_CHANNEL
    uint32_t start;    // timeline position of the (current repetition's) first sample
    uint8_t finished;  // ends within the block just mixed: removed after it
};

struct CWaveMixer
{
    uint8_t active;
    uint8_t stopping;
    uint32_t writePosition; // timeline position of the next block's first sample
    uint32_t basePosition;  // writePosition when the device was opened
    uint32_t queuedBlocks;
    uint32_t currentGain[3]; // master, channel 1, channel 2
    uint32_t targetGain[3];
    uint32_t soundCount;
    PlayingSound sounds[kMaxPlayingSounds];
    HWAVEOUT device;
    WAVEHDR headers[kMixBlocks];
    int16_t* blocks[kMixBlocks];
    uint32_t nextBlock;

    // False when the blocks cannot be allocated.
    bool Init();
    void Start();
    void Open();
    void Close();
    void Destroy();
    // Takes over the reference that came with the sound.
    void Play(CSoundData* sound, uint32_t flags);
    void MixAndQueue();
    uint32_t GetStartPosition();
};
