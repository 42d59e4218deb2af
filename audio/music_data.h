// Music: a standard MIDI file parsed once, at load time, into one merged,
// time-ordered list of channel messages and tempo changes at 192 ticks per
// quarter note, which the MIDI player walks without further decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/ref_counted.h"

struct MidiEvent
{
    uint32_t time;  // in 1/192 of a quarter note from the start of the song
    uint8_t status; // channel status 0x80-0xEF, or 0xFF for a tempo change
    uint8_t data1;  // tempo: its most significant byte
    uint8_t data2;
    uint8_t data3;  // tempo only: its least significant byte
};
static_assert(sizeof(MidiEvent) == 8, "kept small: the player walks many of these");

class CMusicData : public CRefCountedObject
{
public:
    // Parses the file into a new object with one reference. A file refused at
    // its header gives no events; one that fails later keeps what came before.
    static CMusicData* Create(const uint8_t* data, uint32_t size);

    std::vector<MidiEvent> events;
};

// The "MID" resource of that name, or null if it is missing.
CMusicData* LoadMusicResource(std::string name);

bool ParseMidiFile(CMusicData* music, const uint8_t* data, uint32_t size);
bool ParseMidiTrack(CMusicData* music, const uint8_t* track, uint32_t length, uint16_t division);
bool ReadBigEndian32(const uint8_t* data, uint32_t size, uint32_t& position, uint32_t& value);
bool ReadVarLen(const uint8_t* data, uint32_t size, uint32_t& position, uint32_t& value);
