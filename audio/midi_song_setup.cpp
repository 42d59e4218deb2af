#include "audio/midi_song_setup.h"

#include <cstring>

namespace {

constexpr uint8_t kKept[kKeptControllers] = {1, 7, 10, 11, 64, 91, 93};
// Reset All Controllers puts these back to what a reset synthesizer has;
// volume, pan and the effect sends it leaves alone.
constexpr bool kResetByResetAll[kKeptControllers] = {true, false, false, true, true, false, false};

enum : uint8_t
{
    kBankSelect = 0,
    kBankSelectFine = 32,
    kDataEntry = 6,
    kDataEntryFine = 38,
    kNrpnFine = 98,
    kNrpnCoarse = 99,
    kRpnFine = 100,
    kRpnCoarse = 101,
    kResetAllControllers = 121,
};

int KeptIndex(uint8_t controller)
{
    for (uint32_t i = 0; i < kKeptControllers; ++i)
        if (kKept[i] == controller)
            return static_cast<int>(i);
    return -1;
}

bool SelectsBendRange(const MidiChannelSetup& channel)
{
    return !channel.nrpnSelected && channel.rpn[0] == 0 && channel.rpn[1] == 0;
}

void ResetAllControllers(MidiChannelSetup& channel)
{
    for (uint32_t i = 0; i < kKeptControllers; ++i)
        if (kResetByResetAll[i])
            channel.controllers[i] = kNotSet;
    memset(channel.rpn, kNotSet, sizeof channel.rpn);
    memset(channel.nrpn, kNotSet, sizeof channel.nrpn);
    channel.nrpnSelected = 0;
    memset(channel.bend, kNotSet, sizeof channel.bend);
}

void TrackController(MidiChannelSetup& channel, uint8_t controller, uint8_t value)
{
    int kept = KeptIndex(controller);
    if (kept >= 0) {
        channel.controllers[kept] = value;
        return;
    }
    switch (controller) {
    case kBankSelect: channel.bank[0] = value; break;
    case kBankSelectFine: channel.bank[1] = value; break;
    case kRpnCoarse: channel.rpn[0] = value; channel.nrpnSelected = 0; break;
    case kRpnFine: channel.rpn[1] = value; channel.nrpnSelected = 0; break;
    case kNrpnCoarse: channel.nrpn[0] = value; channel.nrpnSelected = 1; break;
    case kNrpnFine: channel.nrpn[1] = value; channel.nrpnSelected = 1; break;
    case kDataEntry:
        if (SelectsBendRange(channel))
            channel.bendRange[0] = value;
        break;
    case kDataEntryFine:
        if (SelectsBendRange(channel))
            channel.bendRange[1] = value;
        break;
    case kResetAllControllers: ResetAllControllers(channel); break;
    default: break;
    }
}

struct MessageList
{
    uint32_t* messages;
    uint32_t count;
};

void PutController(MessageList& list, uint32_t channel, uint8_t controller, uint8_t value)
{
    if (value != kNotSet)
        list.messages[list.count++] = (0xB0 | channel) | controller << 8 | value << 16;
}

void PutSelection(MessageList& list, uint32_t channel, uint8_t coarse, uint8_t fine,
                  const uint8_t values[2])
{
    PutController(list, channel, coarse, values[0]);
    PutController(list, channel, fine, values[1]);
}

// A bank select takes effect at the next program change: the program goes
// with the bank it found, and a bank given since follows it.
void PutInstrument(MessageList& list, uint32_t channel, const MidiChannelSetup& setup)
{
    PutSelection(list, channel, kBankSelect, kBankSelectFine, setup.programBank);
    if (setup.program != kNotSet)
        list.messages[list.count++] = (0xC0 | channel) | setup.program << 8;
    if (setup.bank[0] != setup.programBank[0])
        PutController(list, channel, kBankSelect, setup.bank[0]);
    if (setup.bank[1] != setup.programBank[1])
        PutController(list, channel, kBankSelectFine, setup.bank[1]);
}

void PutChannelSetup(MessageList& list, uint32_t channel, const MidiChannelSetup& setup)
{
    PutInstrument(list, channel, setup);
    for (uint32_t i = 0; i < kKeptControllers; ++i)
        PutController(list, channel, kKept[i], setup.controllers[i]);
    if (setup.bendRange[0] != kNotSet || setup.bendRange[1] != kNotSet) {
        static const uint8_t bendRangeParameter[2] = {0, 0};
        PutSelection(list, channel, kRpnCoarse, kRpnFine, bendRangeParameter);
        PutController(list, channel, kDataEntry, setup.bendRange[0]);
        PutController(list, channel, kDataEntryFine, setup.bendRange[1]);
    }
    // The selection the song left goes last, so later data entry finds it.
    if (setup.nrpnSelected) {
        PutSelection(list, channel, kRpnCoarse, kRpnFine, setup.rpn);
        PutSelection(list, channel, kNrpnCoarse, kNrpnFine, setup.nrpn);
    } else {
        PutSelection(list, channel, kNrpnCoarse, kNrpnFine, setup.nrpn);
        PutSelection(list, channel, kRpnCoarse, kRpnFine, setup.rpn);
    }
    if (setup.bend[0] != kNotSet)
        list.messages[list.count++] = (0xE0 | channel) | setup.bend[0] << 8 | setup.bend[1] << 16;
}

} // namespace

void ClearSongSetup(MidiSongSetup& setup)
{
    setup.tempo = 0;
    memset(setup.channels, kNotSet, sizeof setup.channels);
    for (MidiChannelSetup& channel : setup.channels)
        channel.nrpnSelected = 0;
}

void TrackSongSetup(MidiSongSetup& setup, const MidiEvent& event)
{
    if (event.status == 0xFF) {
        uint32_t tempo = static_cast<uint32_t>(event.data1) << 16 | event.data2 << 8 | event.data3;
        if (tempo != 0) // the device keeps the tempo in force for a 0
            setup.tempo = tempo;
        return;
    }
    MidiChannelSetup& channel = setup.channels[event.status & 0x0F];
    switch (event.status & 0xF0) {
    case 0xB0: TrackController(channel, event.data1, event.data2); break;
    case 0xC0:
        channel.program = event.data1;
        memcpy(channel.programBank, channel.bank, sizeof channel.bank);
        break;
    case 0xE0:
        channel.bend[0] = event.data1;
        channel.bend[1] = event.data2;
        break;
    default: break;
    }
}

uint32_t ChannelSetupMessages(const MidiSongSetup& setup, uint32_t messages[kMaxSetupMessages])
{
    MessageList list = {messages, 0};
    for (uint32_t channel = 0; channel < kMidiChannels; ++channel)
        PutChannelSetup(list, channel, setup.channels[channel]);
    return list.count;
}
