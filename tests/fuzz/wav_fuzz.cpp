// Any bytes as a WAV resource: the loader and the converter must give a sound
// or null without reading outside the data.
#include <cstddef>
#include <cstdint>

#include "audio/sound_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSoundData* sound = ConvertWaveToSoundData(static_cast<uint32_t>(size), data);
    if (!sound)
        return 0;
    int64_t sum = 0;
    for (uint32_t i = 0; i < sound->sampleCount; ++i)
        sum += sound->samples[i];
    volatile int64_t keep = sum;
    (void)keep;
    sound->Release();
    return 0;
}
