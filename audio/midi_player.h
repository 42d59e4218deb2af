// Plays the music on the MIDI stream device one quarter note per buffer:
// each of two buffers holds the events of 192 ticks and ends with a no-op
// that carries it to the quarter note's end. A quarter too full for one
// buffer goes on in the next. A stream opened again first gets back the
// song's setup. Sound thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/music_data.h"
#include "platform/win_midi_stream.h"

constexpr uint32_t kStreamBuffers = 2;
constexpr uint32_t kStreamBufferBytes = 4096;
constexpr uint32_t kStreamTicksPerQuarter = 192;
constexpr uint32_t kEndOfQuarterEvent = 0x42000000; // MEVT_NOP with MEVT_F_CALLBACK

struct CMidiPlayer
{
    uint32_t flags;     // SOUND_LOOP or 0, from the last music message
    CMusicData* music;  // null, or held with one reference
    size_t cursor;      // index of the next event of music->events
    uint32_t position;  // song time up to which the stream has been filled
    uint8_t active;
    uint8_t stopping;
    uint8_t resendSetup; // just (re)opened: the next buffer starts with the setup at the cursor
    // Whole laps of a looping song played before the cursor's, counted to 2:
    // further laps leave the same setup as the second.
    uint8_t lapsBefore;
    uint32_t queuedBuffers;
    HMIDISTRM stream;
    MIDIHDR headers[kStreamBuffers];
    uint8_t* buffers[kStreamBuffers];
    uint32_t nextBuffer;

    // False when the buffers cannot be allocated.
    bool Init();
    // Takes over the reference that came with the music.
    void SetMusic(CMusicData* newMusic, uint32_t newFlags);
    void Start();
    void Open();
    void Close();
    void Destroy();
    void FillAndQueue();
};
