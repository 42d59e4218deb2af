#include "platform/audio_capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/audio_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

// The files of one folder share the moment the first of them was made.
struct CaptureRun
{
    std::string folder;
    Clock::time_point epoch;
};

} // namespace

struct CaptureFile
{
    std::string path;
    FILE* file = nullptr;
    unsigned channels = 0;
    uint64_t frames = 0;
    const CaptureRun* run = nullptr;
};

namespace {

std::mutex g_captureMutex;
CaptureRun g_runs[8];
CaptureFile g_files[16];

void PutU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutU16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

// Rewritten after every append, so the file is complete whenever the run ends.
void WriteHeader(CaptureFile& capture)
{
    uint64_t bytes = capture.frames * capture.channels * 2;
    uint32_t dataBytes = bytes > 0xFFFFFFD0u ? 0xFFFFFFD0u : static_cast<uint32_t>(bytes);
    uint8_t header[44];
    memcpy(header, "RIFF", 4);
    PutU32(header + 4, 36 + dataBytes);
    memcpy(header + 8, "WAVEfmt ", 8);
    PutU32(header + 16, 16);
    PutU16(header + 20, 1);
    PutU16(header + 22, static_cast<uint16_t>(capture.channels));
    PutU32(header + 24, kAudioRate);
    PutU32(header + 28, kAudioRate * capture.channels * 2);
    PutU16(header + 32, static_cast<uint16_t>(capture.channels * 2));
    PutU16(header + 34, 16);
    memcpy(header + 36, "data", 4);
    PutU32(header + 40, dataBytes);
    fseek(capture.file, 0, SEEK_SET);
    fwrite(header, 1, sizeof header, capture.file);
    fseek(capture.file, 0, SEEK_END);
    fflush(capture.file);
}

uint64_t FramesSinceEpoch(const CaptureRun& run, Clock::time_point now)
{
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - run.epoch).count();
    return elapsed <= 0 ? 0 : static_cast<uint64_t>(elapsed) * kAudioRate / 1000000;
}

Clock::time_point TimeOfFrame(const CaptureRun& run, uint64_t frame)
{
    return run.epoch + std::chrono::microseconds(frame * 1000000 / kAudioRate);
}

// The run of a folder, begun now if it has none. Null when all are taken.
const CaptureRun* RunOfFolder(const std::string& folder)
{
    for (CaptureRun& run : g_runs)
        if (run.folder == folder)
            return &run;
    for (CaptureRun& run : g_runs)
        if (run.folder.empty()) {
            run.folder = folder;
            run.epoch = Clock::now();
            return &run;
        }
    return nullptr;
}

void AppendSilence(CaptureFile& capture, uint64_t frames)
{
    static const int16_t zeros[2048] = {};
    uint64_t values = frames * capture.channels;
    while (values > 0) {
        size_t chunk = values < 2048 ? static_cast<size_t>(values) : 2048;
        fwrite(zeros, sizeof(int16_t), chunk, capture.file);
        values -= chunk;
    }
    capture.frames += frames;
}

} // namespace

CaptureFile* OpenCaptureFile(const char* name, unsigned channels)
{
    std::lock_guard<std::mutex> lock(g_captureMutex);
    const char* dir = getenv("SKYLUME_AUDIO_DIR");
    std::string folder = dir && *dir ? dir : ".";
    std::string path = folder + "/" + name;
    CaptureFile* slot = nullptr;
    for (CaptureFile& capture : g_files) {
        if (capture.file && capture.path == path)
            return capture.channels == channels ? &capture : nullptr;
        if (!capture.file && !slot)
            slot = &capture;
    }
    const CaptureRun* run = RunOfFolder(folder);
    if (!slot || !run)
        return nullptr;
    slot->file = fopen(path.c_str(), "w+b");
    if (!slot->file)
        return nullptr;
    slot->path = path;
    slot->channels = channels;
    slot->frames = 0;
    slot->run = run;
    WriteHeader(*slot);
    return slot;
}

Clock::time_point WriteCaptureFrames(CaptureFile* capture, const int16_t* frames, uint32_t count,
                                     bool resync)
{
    std::lock_guard<std::mutex> lock(g_captureMutex);
    if (resync) {
        uint64_t now = FramesSinceEpoch(*capture->run, Clock::now());
        if (now > capture->frames)
            AppendSilence(*capture, now - capture->frames);
    }
    fwrite(frames, sizeof(int16_t), static_cast<size_t>(count) * capture->channels, capture->file);
    capture->frames += count;
    WriteHeader(*capture);
    return TimeOfFrame(*capture->run, capture->frames);
}
