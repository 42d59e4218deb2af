#include "platform/win_wave_out.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/alsa_output.h"
#include "platform/audio_backend.h"
#include "platform/audio_capture.h"
#include "platform/win_threads.h"

struct WaveOutDevice
{
    AudioBackend backend = AudioBackend::None;
    DWORD callbackThread = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<WAVEHDR*> queue;
    uint32_t frontPlayed = 0; // samples of the front block already played
    uint64_t played = 0;      // samples since open or reset
    uint32_t generation = 0;  // moves on at every reset
    bool dropPending = false;
    bool gone = false; // the sound card failed for good: writes are refused
    bool closing = false;
    std::thread worker;
    AlsaOutput alsa;
    CaptureFile* capture = nullptr;
};

namespace {

std::mutex g_manualMutex; // taken before any device's own mutex
WaveOutDevice* g_manualDevice = nullptr;
std::vector<int16_t> g_manualPlayed;

void Notify(WaveOutDevice& device, UINT message, WAVEHDR* header)
{
    if (device.callbackThread)
        PostThreadMessageA(device.callbackThread, message, reinterpret_cast<WPARAM>(&device),
                           reinterpret_cast<LPARAM>(header));
}

// Device mutex held. The flag is set before the notification is posted.
void FinishFront(WaveOutDevice& device)
{
    WAVEHDR* header = device.queue.front();
    device.queue.pop_front();
    device.frontPlayed = 0;
    DWORD flags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    __atomic_store_n(&header->dwFlags, flags, __ATOMIC_RELEASE);
    Notify(device, MM_WOM_DONE, header);
}

// Device mutex held. A failed card hands back what it holds and takes no more,
// so the mixer's refills stop instead of spinning on a device that returns at once.
void GiveUp(WaveOutDevice& device)
{
    device.gone = true;
    while (!device.queue.empty())
        FinishFront(device);
}

uint32_t SamplesOf(const WAVEHDR* header)
{
    return header->dwBufferLength / 2;
}

// Plays the queue on ALSA or into the capture file, one block at a time.
void RunWorker(WaveOutDevice* device)
{
    std::vector<int16_t> block;
    bool resync = true; // the device was idle: the capture catches up with the clock
    std::unique_lock<std::mutex> lock(device->mutex);
    for (;;) {
        if (device->queue.empty() && !device->closing) {
            resync = true;
            device->wake.wait(lock, [device] { return device->closing || !device->queue.empty(); });
        }
        if (device->closing)
            return;
        WAVEHDR* header = device->queue.front();
        uint32_t generation = device->generation;
        const int16_t* data = reinterpret_cast<const int16_t*>(header->lpData);
        block.assign(data, data + SamplesOf(header));
        bool drop = device->dropPending;
        device->dropPending = false;
        lock.unlock();
        if (device->backend == AudioBackend::Capture) {
            auto ends = WriteCaptureFrames(device->capture, block.data(),
                                           static_cast<uint32_t>(block.size()), resync);
            lock.lock();
            device->wake.wait_until(lock, ends, [device, generation] {
                return device->closing || device->generation != generation;
            });
        } else {
            if (drop)
                DropAlsaOutput(device->alsa);
            bool written =
                WriteAlsaOutput(device->alsa, block.data(), static_cast<uint32_t>(block.size()));
            lock.lock();
            if (!written) {
                GiveUp(*device);
                device->wake.wait(lock, [device] { return device->closing; });
                return;
            }
        }
        resync = false;
        if (generation == device->generation && !device->queue.empty()
            && device->queue.front() == header) {
            device->played += block.size();
            FinishFront(*device);
        }
    }
}

bool IsMixerFormat(const WAVEFORMATEX* format)
{
    return format && format->wFormatTag == WAVE_FORMAT_PCM && format->nChannels == 1
        && format->nSamplesPerSec == kAudioRate && format->wBitsPerSample == 16
        && format->nBlockAlign == 2;
}

bool OpenOutput(WaveOutDevice& device)
{
    switch (device.backend) {
    case AudioBackend::Devices:
        return OpenAlsaOutput(device.alsa, 1);
    case AudioBackend::Capture:
        device.capture = OpenCaptureFile("skylume-effects.wav", 1);
        return device.capture != nullptr;
    case AudioBackend::Manual: {
        std::lock_guard<std::mutex> lock(g_manualMutex);
        if (g_manualDevice)
            return false; // one manual device at a time
        g_manualDevice = &device;
        return true;
    }
    case AudioBackend::None:
        break;
    }
    return false;
}

} // namespace

MMRESULT waveOutOpen(HWAVEOUT* result, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR, DWORD flags)
{
    if (!result)
        return MMSYSERR_INVALPARAM;
    *result = nullptr;
    if (deviceId != WAVE_MAPPER && deviceId != 0)
        return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_THREAD && flags != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    if (!IsMixerFormat(format))
        return WAVERR_BADFORMAT;
    auto* device = new WaveOutDevice;
    device->backend = CurrentAudioBackend();
    device->callbackThread = flags == CALLBACK_THREAD ? static_cast<DWORD>(callback) : 0;
    if (!OpenOutput(*device)) {
        delete device;
        return MMSYSERR_NODRIVER;
    }
    if (device->backend == AudioBackend::Devices || device->backend == AudioBackend::Capture)
        device->worker = std::thread(RunWorker, device);
    *result = device;
    Notify(*device, MM_WOM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    header->dwFlags = (header->dwFlags & WHDR_DONE) | WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> lock(device->mutex);
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        if (!(header->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (header->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (device->gone)
            return MMSYSERR_NODRIVER;
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        device->queue.push_back(header);
    }
    device->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!time || size < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> lock(device->mutex);
    uint64_t samples = device->played;
    if (time->wType == TIME_BYTES) {
        time->u.cb = static_cast<DWORD>(samples * 2);
    } else if (time->wType == TIME_MS) {
        time->u.ms = static_cast<DWORD>(samples * 1000 / kAudioRate);
    } else {
        time->wType = TIME_SAMPLES;
        time->u.sample = static_cast<DWORD>(samples);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT device)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        // Blocks already handed back count as played; only what is still
        // queued is cut. The sound card's buffer may hold the end of a fade.
        if (!device->queue.empty())
            device->dropPending = true;
        while (!device->queue.empty())
            FinishFront(*device);
        device->played = 0;
        device->generation += 1;
    }
    device->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        if (!device->queue.empty())
            return WAVERR_STILLPLAYING;
        device->closing = true;
    }
    device->wake.notify_all();
    if (device->worker.joinable())
        device->worker.join();
    // A block is handed back once the sound card has taken it, not played
    // it: let the last ones play out unless a reset cut them.
    if (!device->dropPending)
        DrainAlsaOutput(device->alsa);
    CloseAlsaOutput(device->alsa);
    if (device->backend == AudioBackend::Manual) {
        std::lock_guard<std::mutex> lock(g_manualMutex);
        if (g_manualDevice == device)
            g_manualDevice = nullptr;
    }
    Notify(*device, MM_WOM_CLOSE, nullptr);
    delete device;
    return MMSYSERR_NOERROR;
}

uint32_t ManualWaveOutAdvance(uint32_t samples)
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    WaveOutDevice* device = g_manualDevice;
    if (!device)
        return 0;
    std::lock_guard<std::mutex> lock(device->mutex);
    uint32_t played = 0;
    while (played < samples && !device->queue.empty()) {
        WAVEHDR* header = device->queue.front();
        const int16_t* data = reinterpret_cast<const int16_t*>(header->lpData);
        uint32_t left = SamplesOf(header) - device->frontPlayed;
        uint32_t take = left < samples - played ? left : samples - played;
        g_manualPlayed.insert(g_manualPlayed.end(), data + device->frontPlayed,
                              data + device->frontPlayed + take);
        device->frontPlayed += take;
        device->played += take;
        played += take;
        if (device->frontPlayed == SamplesOf(header))
            FinishFront(*device);
    }
    return played;
}

uint32_t ManualWaveOutQueued()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    if (!g_manualDevice)
        return 0;
    std::lock_guard<std::mutex> lock(g_manualDevice->mutex);
    return static_cast<uint32_t>(g_manualDevice->queue.size());
}

bool ManualWaveOutIsOpen()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    return g_manualDevice != nullptr;
}

std::vector<int16_t> ManualWaveOutTakePlayed()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    std::vector<int16_t> played;
    played.swap(g_manualPlayed);
    return played;
}
