#include "platform/audio_backend.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

AudioBackend FromEnvironment()
{
    const char* value = getenv("SKYLUME_AUDIO");
    if (value && strcmp(value, "none") == 0)
        return AudioBackend::None;
    if (value && strcmp(value, "capture") == 0)
        return AudioBackend::Capture;
    return AudioBackend::Devices;
}

// -1 until the first look.
std::atomic<int> g_backend{-1};

} // namespace

AudioBackend CurrentAudioBackend()
{
    int backend = g_backend.load();
    if (backend < 0) {
        int chosen = static_cast<int>(FromEnvironment());
        g_backend.compare_exchange_strong(backend, chosen);
        return static_cast<AudioBackend>(g_backend.load());
    }
    return static_cast<AudioBackend>(backend);
}

void SetAudioBackend(AudioBackend backend)
{
    g_backend.store(static_cast<int>(backend));
}
