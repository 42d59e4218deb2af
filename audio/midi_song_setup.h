// What a song has set up before a point in it: the tempo in force, and each
// channel's banks and program, controllers, parameter selections, pitch-bend
// range and pitch bend. A stream that opens again starts at the device's
// default tempo on a reset synthesizer, so the player sends this before
// resuming, and the song goes on as it would have without the pause.
#pragma once

#include <cstdint>

#include "audio/music_data.h"

constexpr uint32_t kMidiChannels = 16;
// Modulation, volume, pan, expression, sustain, reverb and chorus.
constexpr uint32_t kKeptControllers = 7;
constexpr uint8_t kNotSet = 0xFF;

struct MidiChannelSetup
{
    uint8_t program;                       // the last program change; kNotSet until one
    uint8_t programBank[2];                // bank select (CC 0, 32) that it found in force
    uint8_t bank[2];                       // bank select given since, for the next program
    uint8_t controllers[kKeptControllers]; // kNotSet until the song sets one
    uint8_t bendRange[2];                  // semitones and cents given to RPN 0
    uint8_t rpn[2];                        // registered parameter selected (CC 101, 100)
    uint8_t nrpn[2];                       // non-registered one selected (CC 99, 98)
    uint8_t nrpnSelected;                  // data entry goes to the non-registered one
    uint8_t bend[2];                       // pitch bend, low and high 7 bits
};

struct MidiSongSetup
{
    uint32_t tempo; // microseconds per quarter note; 0 until the song sets one
    MidiChannelSetup channels[kMidiChannels];
};

// Per channel: the instrument with both banks, the kept controllers, RPN 0
// and both selections, and the bend.
constexpr uint32_t kMaxSetupMessages = kMidiChannels * (5 + kKeptControllers + 9);

void ClearSongSetup(MidiSongSetup& setup);
// Takes in one event of the song, in song order.
void TrackSongSetup(MidiSongSetup& setup, const MidiEvent& event);
// The short messages that rebuild every channel's setup on a reset
// synthesizer, in sending order. Returns how many were written.
uint32_t ChannelSetupMessages(const MidiSongSetup& setup, uint32_t messages[kMaxSetupMessages]);
