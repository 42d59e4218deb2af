// WAV files that record what a device plays, paced in real time, for machines
// without a sound card. The files of one folder count from the first capture
// made in it, so the effects and the music line up sample for sample.
#pragma once

#include <chrono>
#include <cstdint>

struct CaptureFile;

// Creates the file in SKYLUME_AUDIO_DIR (or the current folder) the first time
// it is used; later opens append to it. Null when it cannot be made.
CaptureFile* OpenCaptureFile(const char* name, unsigned channels);

// Appends frames that start playing now. With resync (the device was idle or
// just opened) silence first fills the time since the file's last frame, so
// the file keeps to the wall clock. Returns when the frames end playing.
std::chrono::steady_clock::time_point WriteCaptureFrames(CaptureFile* file, const int16_t* frames,
                                                         uint32_t count, bool resync);
