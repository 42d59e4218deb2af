// MIDI stream output with the calls the music player was designed around.
// A stream opens paused at 500000 microseconds per quarter note; buffers of
// 12-byte event records play back to back at their tick times, each handed
// back as an MM_MOM_DONE thread message when its last event's time is
// reached. The sound comes from the synthesizer of midi_synth.h; the
// sequencer is our own. A stream that closes fades its sound out first.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/midi_synth.h"
#include "platform/win_mmsystem.h"

struct MidiStreamDevice;
typedef MidiStreamDevice* HMIDISTRM;
typedef MidiStreamDevice* HMIDIOUT; // a stream is also its own output device

struct MIDIHDR
{
    char* lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    MIDIHDR* lpNext;
    DWORD_PTR reserved;
    DWORD dwOffset;
    DWORD_PTR dwReserved[8];
};

enum : DWORD
{
    MHDR_DONE = 0x01,
    MHDR_PREPARED = 0x02,
    MHDR_INQUEUE = 0x04,
    MHDR_ISSTRM = 0x08,
};

// A short event record; long events carry dwEvent & 0xFFFFFF bytes of
// parameters after it, padded to a multiple of 4.
struct MIDIEVENT
{
    DWORD dwDeltaTime;
    DWORD dwStreamID;
    DWORD dwEvent;
};

enum : DWORD
{
    MEVT_F_SHORT = 0x00000000,
    MEVT_F_LONG = 0x80000000,
    MEVT_F_CALLBACK = 0x40000000,
};

// Event types, in the top byte of dwEvent.
enum : BYTE
{
    MEVT_SHORTMSG = 0x00,
    MEVT_TEMPO = 0x01,
    MEVT_NOP = 0x02,
};

enum : DWORD
{
    MIDIPROP_SET = 0x80000000,
    MIDIPROP_GET = 0x40000000,
    MIDIPROP_TIMEDIV = 0x00000001,
    MIDIPROP_TEMPO = 0x00000002,
};

struct MIDIPROPTIMEDIV
{
    DWORD cbStruct;
    DWORD dwTimeDiv;
};

struct MIDIPROPTEMPO
{
    DWORD cbStruct;
    DWORD dwTempo;
};

constexpr UINT MIDI_MAPPER = 0xFFFFFFFFu;

MMRESULT midiStreamOpen(HMIDISTRM* stream, UINT* deviceId, DWORD devices, DWORD_PTR callback,
                        DWORD_PTR instance, DWORD flags);
MMRESULT midiStreamProperty(HMIDISTRM stream, BYTE* property, DWORD flags);
MMRESULT midiOutPrepareHeader(HMIDIOUT device, MIDIHDR* header, UINT size);
MMRESULT midiOutUnprepareHeader(HMIDIOUT device, MIDIHDR* header, UINT size);
// Refused with MMSYSERR_NODRIVER once the sound card has failed for good.
MMRESULT midiStreamOut(HMIDISTRM stream, MIDIHDR* header, UINT size);
MMRESULT midiStreamRestart(HMIDISTRM stream);
// Pauses, silences every note and hands queued buffers back as done.
MMRESULT midiStreamStop(HMIDISTRM stream);
// Silences every note (sustain released too) and hands queued buffers back.
MMRESULT midiOutReset(HMIDIOUT device);
MMRESULT midiStreamClose(HMIDISTRM stream);

// Manual clock (AudioBackend::Manual), driven by tests and benchmarks from any
// thread: plays `samples` of stream time (44100 per second) on the open manual
// stream and logs each message it would have sent, at its sample time.
void ManualMidiStreamAdvance(uint32_t samples);
uint32_t ManualMidiStreamQueued();
bool ManualMidiStreamIsOpen();

struct MidiLogEntry
{
    uint64_t sample;  // stream time since the stream opened
    uint32_t message; // status | data1 << 8 | data2 << 16, or kMidiLogAllNotesOff
};
constexpr uint32_t kMidiLogAllNotesOff = 0xFFFFFFFFu;
std::vector<MidiLogEntry> ManualMidiStreamTakeLog();

// The device sets MHDR_DONE from its own thread; read the flag through this.
inline bool IsMidiHeaderDone(const MIDIHDR& header)
{
    return (__atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE) & MHDR_DONE) != 0;
}
