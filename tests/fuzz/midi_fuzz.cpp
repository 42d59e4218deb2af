// Any bytes as a MIDI resource: the parser must end, stay inside the data,
// and leave its events in time order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/music_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMusicData* music = CMusicData::Create(data, static_cast<uint32_t>(size));
    for (size_t i = 1; i < music->events.size(); ++i)
        if (music->events[i - 1].time > music->events[i].time)
            abort();
    music->Release();
    return 0;
}
