#include "platform/win_midi_stream.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/alsa_output.h"
#include "platform/audio_backend.h"
#include "platform/audio_capture.h"
#include "platform/midi_synth.h"
#include "platform/win_threads.h"

struct MidiStreamDevice
{
    AudioBackend backend = AudioBackend::None;
    DWORD callbackThread = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MIDIHDR*> queue;
    uint32_t offset = 0; // next record in the front buffer
    bool running = false;
    bool gone = false; // the sound card failed for good: buffers are refused
    bool closing = false;
    uint32_t timeDiv = 96;
    uint32_t tempo = 500000;     // microseconds per quarter note
    uint64_t now = 0;            // stream time in samples since opening
    uint64_t lastEvent = 0;      // sample time of the event the next delta counts from
    unsigned __int128 carry = 0; // what lastEvent lost to rounding, in sample / (timeDiv * 1e6)
    std::thread renderer;
    AlsaOutput alsa;
    CaptureFile* capture = nullptr;
};

namespace {

constexpr uint32_t kChunk = 256; // frames rendered between looks at the event queue
constexpr uint32_t kFadeFrames = 256; // about 6 ms
// Faster than this a stream would hand buffers back as fast as they come.
constexpr uint32_t kFastestTempo = 1000;

std::mutex g_manualMutex; // taken before any device's own mutex
MidiStreamDevice* g_manualDevice = nullptr;
std::vector<MidiLogEntry> g_manualLog;

void Notify(MidiStreamDevice& device, UINT message, MIDIHDR* header)
{
    if (device.callbackThread)
        PostThreadMessageA(device.callbackThread, message, reinterpret_cast<WPARAM>(&device),
                           reinterpret_cast<LPARAM>(header));
}

void SendShortMessage(MidiStreamDevice& device, uint64_t when, uint32_t message)
{
    if (device.backend == AudioBackend::Manual) {
        g_manualLog.push_back(MidiLogEntry{when, message & 0xFFFFFF});
        return;
    }
    PlayMidiSynthMessage(message);
}

void SilenceAllNotes(MidiStreamDevice& device)
{
    if (device.backend == AudioBackend::Manual) {
        g_manualLog.push_back(MidiLogEntry{device.now, kMidiLogAllNotesOff});
        return;
    }
    ReleaseMidiSynthNotes();
}

// Device mutex held. The flag is set before the notification is posted.
void FinishFront(MidiStreamDevice& device)
{
    MIDIHDR* header = device.queue.front();
    device.queue.pop_front();
    device.offset = 0;
    DWORD flags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
    __atomic_store_n(&header->dwFlags, flags, __ATOMIC_RELEASE);
    Notify(device, MM_MOM_DONE, header);
}

void ReturnAllBuffers(MidiStreamDevice& device)
{
    while (!device.queue.empty())
        FinishFront(device);
}

uint32_t ReadDword(const MIDIHDR* header, uint32_t at)
{
    uint32_t value;
    memcpy(&value, header->lpData + at, 4);
    return value;
}

bool HasWholeRecord(const MidiStreamDevice& device, const MIDIHDR* header)
{
    return static_cast<uint64_t>(device.offset) + sizeof(MIDIEVENT) <= header->dwBytesRecorded;
}

unsigned __int128 Denominator(const MidiStreamDevice& device)
{
    return static_cast<unsigned __int128>(device.timeDiv) * 1000000u;
}

// Sample time of the front buffer's next record, with the rounding carried on.
uint64_t TimeOfNextRecord(const MidiStreamDevice& device, const MIDIHDR* header,
                          unsigned __int128* carry)
{
    uint32_t delta = ReadDword(header, device.offset);
    unsigned __int128 total = device.carry
        + static_cast<unsigned __int128>(delta) * device.tempo * kAudioRate;
    unsigned __int128 denominator = Denominator(device);
    *carry = total % denominator;
    return device.lastEvent + static_cast<uint64_t>(total / denominator);
}

void ApplyEvent(MidiStreamDevice& device, uint64_t when, uint32_t event, MIDIHDR* header)
{
    BYTE type = static_cast<BYTE>((event >> 24) & 0x3F);
    if (!(event & MEVT_F_LONG)) {
        if (type == MEVT_SHORTMSG) {
            SendShortMessage(device, when, event);
        } else if (type == MEVT_TEMPO) {
            uint32_t tempo = event & 0xFFFFFF;
            if (tempo != 0) // a tempo of 0 would stop time: keep the one in force
                device.tempo = tempo < kFastestTempo ? kFastestTempo : tempo;
        }
    }
    if (event & MEVT_F_CALLBACK)
        Notify(device, MM_MOM_POSITIONCB, header);
}

// Device mutex held: plays every record due at or before `now`.
void PlayDueEvents(MidiStreamDevice& device)
{
    while (device.running && !device.queue.empty()) {
        MIDIHDR* header = device.queue.front();
        if (!HasWholeRecord(device, header)) {
            FinishFront(device);
            continue;
        }
        unsigned __int128 carry;
        uint64_t when = TimeOfNextRecord(device, header, &carry);
        if (when > device.now)
            return;
        uint32_t event = ReadDword(header, device.offset + 8);
        uint64_t next = static_cast<uint64_t>(device.offset) + sizeof(MIDIEVENT);
        if (event & MEVT_F_LONG)
            next += ((event & 0xFFFFFF) + 3u) & ~3u;
        device.lastEvent = when;
        device.carry = carry;
        device.offset = next > header->dwBytesRecorded ? header->dwBytesRecorded
                                                       : static_cast<uint32_t>(next);
        ApplyEvent(device, when, event, header);
    }
}

// Device mutex held, after PlayDueEvents: false when nothing is waiting.
bool NextEventTime(const MidiStreamDevice& device, uint64_t* when)
{
    if (!device.running || device.queue.empty())
        return false;
    const MIDIHDR* header = device.queue.front();
    unsigned __int128 carry;
    *when = HasWholeRecord(device, header) ? TimeOfNextRecord(device, header, &carry) : device.now;
    return true;
}

// Stopped at once, the output would jump from its last sample to nothing, a
// click: the sound (notes already released) fades out over a few ms instead.
// On the sound card the fade is let play before the device closes.
void FadeOut(MidiStreamDevice& device, bool resync)
{
    int16_t frames[kFadeFrames * 2];
    RenderMidiSynth(frames, kFadeFrames);
    for (uint32_t i = 0; i < kFadeFrames * 2; ++i) {
        int32_t gain = static_cast<int32_t>(kFadeFrames - 1 - i / 2);
        frames[i] = static_cast<int16_t>(frames[i] * gain / static_cast<int32_t>(kFadeFrames));
    }
    if (device.backend == AudioBackend::Capture)
        WriteCaptureFrames(device.capture, frames, kFadeFrames, resync);
    else if (WriteAlsaOutput(device.alsa, frames, kFadeFrames))
        DrainAlsaOutput(device.alsa);
}

// Renders the synth on ALSA or into the capture file, events at their samples.
void RunRenderer(MidiStreamDevice* device)
{
    int16_t frames[kChunk * 2];
    bool resync = true;
    std::unique_lock<std::mutex> lock(device->mutex);
    while (!device->closing) {
        PlayDueEvents(*device);
        uint32_t count = kChunk;
        uint64_t next;
        if (NextEventTime(*device, &next) && next - device->now < count)
            count = static_cast<uint32_t>(next - device->now);
        lock.unlock();
        RenderMidiSynth(frames, count);
        if (device->backend == AudioBackend::Capture) {
            auto ends = WriteCaptureFrames(device->capture, frames, count, resync);
            lock.lock();
            device->wake.wait_until(lock, ends, [device] { return device->closing; });
        } else {
            bool written = WriteAlsaOutput(device->alsa, frames, count);
            lock.lock();
            if (!written) {
                // Rendering on would spin (the card returns at once) and race the
                // song through its buffers: hand them back and take no more.
                device->gone = true;
                ReturnAllBuffers(*device);
                device->wake.wait(lock, [device] { return device->closing; });
                return;
            }
        }
        resync = false;
        device->now += count;
    }
    lock.unlock();
    FadeOut(*device, resync);
}

bool OpenOutput(MidiStreamDevice& device)
{
    if (device.backend == AudioBackend::Manual) {
        std::lock_guard<std::mutex> lock(g_manualMutex);
        if (g_manualDevice)
            return false;
        g_manualDevice = &device;
        return true;
    }
    if (device.backend == AudioBackend::None)
        return false;
    // Without a sound card the sound font is never loaded; with a capture it
    // loads before the capture starts its clock.
    if (device.backend == AudioBackend::Devices && !OpenAlsaOutput(device.alsa, 2))
        return false;
    if (!AcquireMidiSynth(&device)) {
        CloseAlsaOutput(device.alsa);
        return false;
    }
    if (device.backend == AudioBackend::Capture) {
        device.capture = OpenCaptureFile("skylume-music.wav", 2);
        if (!device.capture) {
            ReleaseMidiSynth(&device);
            return false;
        }
    }
    return true;
}

void CloseOutput(MidiStreamDevice& device)
{
    if (device.backend == AudioBackend::Manual) {
        std::lock_guard<std::mutex> lock(g_manualMutex);
        if (g_manualDevice == &device)
            g_manualDevice = nullptr;
        return;
    }
    CloseAlsaOutput(device.alsa);
    ReleaseMidiSynth(&device);
}

// The manual device's own mutex is taken after g_manualMutex.
template <typename Action>
MMRESULT WithDevice(MidiStreamDevice* device, Action action)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (device->backend == AudioBackend::Manual) {
        std::lock_guard<std::mutex> manual(g_manualMutex);
        std::lock_guard<std::mutex> lock(device->mutex);
        return action(*device);
    }
    MMRESULT result;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        result = action(*device);
    }
    device->wake.notify_all();
    return result;
}

} // namespace

MMRESULT midiStreamOpen(HMIDISTRM* result, UINT* deviceId, DWORD devices, DWORD_PTR callback,
                        DWORD_PTR, DWORD flags)
{
    if (!result)
        return MMSYSERR_INVALPARAM;
    *result = nullptr;
    if (devices != 1 || !deviceId)
        return MMSYSERR_INVALPARAM;
    if (*deviceId != MIDI_MAPPER && *deviceId != 0)
        return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_THREAD && flags != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    auto* device = new MidiStreamDevice;
    device->backend = CurrentAudioBackend();
    device->callbackThread = flags == CALLBACK_THREAD ? static_cast<DWORD>(callback) : 0;
    if (!OpenOutput(*device)) {
        delete device;
        return MMSYSERR_NODRIVER;
    }
    if (device->backend != AudioBackend::Manual)
        device->renderer = std::thread(RunRenderer, device);
    *result = device;
    Notify(*device, MM_MOM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamProperty(HMIDISTRM stream, BYTE* property, DWORD flags)
{
    if (!property)
        return MMSYSERR_INVALPARAM;
    return WithDevice(stream, [&](MidiStreamDevice& device) -> MMRESULT {
        bool set = (flags & MIDIPROP_SET) != 0;
        if (set == ((flags & MIDIPROP_GET) != 0))
            return MMSYSERR_INVALPARAM;
        if (flags & MIDIPROP_TIMEDIV) {
            auto* timeDiv = reinterpret_cast<MIDIPROPTIMEDIV*>(property);
            if (set) {
                // Frame-based divisions (top bit set) are not played.
                if (timeDiv->dwTimeDiv == 0 || timeDiv->dwTimeDiv > 0x7FFF)
                    return MMSYSERR_INVALPARAM;
                device.timeDiv = timeDiv->dwTimeDiv;
                device.carry = 0;
            } else {
                timeDiv->dwTimeDiv = device.timeDiv;
            }
            return MMSYSERR_NOERROR;
        }
        if (flags & MIDIPROP_TEMPO) {
            auto* tempo = reinterpret_cast<MIDIPROPTEMPO*>(property);
            if (!set)
                tempo->dwTempo = device.tempo;
            else if (tempo->dwTempo != 0)
                device.tempo = tempo->dwTempo < kFastestTempo ? kFastestTempo : tempo->dwTempo;
            return MMSYSERR_NOERROR;
        }
        return MMSYSERR_INVALPARAM;
    });
}

MMRESULT midiOutPrepareHeader(HMIDIOUT device, MIDIHDR* header, UINT size)
{
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(MIDIHDR) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    header->dwFlags = (header->dwFlags & MHDR_DONE) | MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutUnprepareHeader(HMIDIOUT device, MIDIHDR* header, UINT size)
{
    if (!header || size < sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    return WithDevice(device, [&](MidiStreamDevice&) -> MMRESULT {
        if (header->dwFlags & MHDR_INQUEUE)
            return MIDIERR_STILLPLAYING;
        header->dwFlags &= ~MHDR_PREPARED;
        return MMSYSERR_NOERROR;
    });
}

MMRESULT midiStreamOut(HMIDISTRM stream, MIDIHDR* header, UINT size)
{
    if (!header || size < sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    return WithDevice(stream, [&](MidiStreamDevice& device) -> MMRESULT {
        if (!(header->dwFlags & MHDR_PREPARED))
            return MIDIERR_UNPREPARED;
        if (header->dwFlags & MHDR_INQUEUE)
            return MIDIERR_STILLPLAYING;
        if (header->dwBytesRecorded > header->dwBufferLength)
            return MMSYSERR_INVALPARAM;
        if (device.gone)
            return MMSYSERR_NODRIVER;
        header->dwFlags = (header->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
        device.queue.push_back(header);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT midiStreamRestart(HMIDISTRM stream)
{
    return WithDevice(stream, [](MidiStreamDevice& device) -> MMRESULT {
        if (!device.running) {
            device.running = true;
            device.lastEvent = device.now; // the first delta counts from here
            device.carry = 0;
        }
        return MMSYSERR_NOERROR;
    });
}

MMRESULT midiStreamStop(HMIDISTRM stream)
{
    return WithDevice(stream, [](MidiStreamDevice& device) -> MMRESULT {
        device.running = false;
        ReturnAllBuffers(device);
        SilenceAllNotes(device);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT midiOutReset(HMIDIOUT device)
{
    return WithDevice(device, [](MidiStreamDevice& stream) -> MMRESULT {
        ReturnAllBuffers(stream);
        SilenceAllNotes(stream);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT midiStreamClose(HMIDISTRM stream)
{
    MMRESULT result = WithDevice(stream, [](MidiStreamDevice& device) -> MMRESULT {
        if (!device.queue.empty())
            return MIDIERR_STILLPLAYING;
        device.closing = true;
        return MMSYSERR_NOERROR;
    });
    if (result != MMSYSERR_NOERROR)
        return result;
    if (stream->renderer.joinable())
        stream->renderer.join();
    CloseOutput(*stream);
    Notify(*stream, MM_MOM_CLOSE, nullptr);
    delete stream;
    return MMSYSERR_NOERROR;
}

void ManualMidiStreamAdvance(uint32_t samples)
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    MidiStreamDevice* device = g_manualDevice;
    if (!device)
        return;
    std::lock_guard<std::mutex> lock(device->mutex);
    uint64_t target = device->now + samples;
    for (;;) {
        PlayDueEvents(*device);
        uint64_t next;
        if (!NextEventTime(*device, &next) || next > target)
            break;
        device->now = next;
    }
    device->now = target;
    PlayDueEvents(*device);
}

uint32_t ManualMidiStreamQueued()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    if (!g_manualDevice)
        return 0;
    std::lock_guard<std::mutex> lock(g_manualDevice->mutex);
    return static_cast<uint32_t>(g_manualDevice->queue.size());
}

bool ManualMidiStreamIsOpen()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    return g_manualDevice != nullptr;
}

std::vector<MidiLogEntry> ManualMidiStreamTakeLog()
{
    std::lock_guard<std::mutex> manual(g_manualMutex);
    std::vector<MidiLogEntry> log;
    log.swap(g_manualLog);
    return log;
}
