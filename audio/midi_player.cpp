#include "audio/midi_player.h"

#include <cstdlib>
#include <cstring>

#include "audio/midi_song_setup.h"
#include "audio/sound_thread.h"

namespace {

constexpr uint32_t kRecordBytes = sizeof(MIDIEVENT);
constexpr uint32_t kRoomNeeded = 32; // a record and the end record, with room to spare

void PutRecord(uint8_t* buffer, uint32_t& used, uint32_t delta, uint32_t event)
{
    MIDIEVENT record = {delta, 0, event};
    memcpy(buffer + used, &record, kRecordBytes);
    used += kRecordBytes;
}

bool HasRoom(uint32_t used)
{
    return used + kRoomNeeded <= kStreamBufferBytes;
}

uint32_t ShortMessage(const MidiEvent& event)
{
    return event.status | event.data1 << 8 | event.data2 << 16;
}

uint32_t StreamEvent(const MidiEvent& event)
{
    if (event.status == 0xFF)
        return static_cast<uint32_t>(MEVT_TEMPO) << 24 | event.data1 << 16 | event.data2 << 8
            | event.data3;
    return ShortMessage(event);
}

// A reopened stream starts at the device's default tempo on a reset
// synthesizer: put back the tempo first, then each channel's setup (banks
// and program, controllers, parameter selections, bend range and bend), as
// the laps before and the song up to the cursor left them.
void WriteSongSetup(const CMusicData& music, size_t cursor, uint8_t lapsBefore, uint8_t* buffer,
                    uint32_t& used)
{
    MidiSongSetup setup;
    ClearSongSetup(setup);
    for (uint8_t lap = 0; lap < lapsBefore; ++lap)
        for (const MidiEvent& event : music.events)
            TrackSongSetup(setup, event);
    for (size_t i = 0; i < cursor; ++i)
        TrackSongSetup(setup, music.events[i]);
    if (setup.tempo != 0)
        PutRecord(buffer, used, 0, static_cast<uint32_t>(MEVT_TEMPO) << 24 | setup.tempo);
    uint32_t messages[kMaxSetupMessages];
    uint32_t count = ChannelSetupMessages(setup, messages);
    for (uint32_t m = 0; m < count; ++m)
        PutRecord(buffer, used, 0, messages[m]);
}

// Writes the events of the quarter note that the position lies in, as many
// as fit, and the end record. A buffer that fills up closes at its last
// event and the next goes on from there: nothing is dropped or late.
void WriteQuarter(CMidiPlayer& player, uint8_t* buffer, uint32_t& used)
{
    const CMusicData* music = player.music;
    size_t count = music ? music->events.size() : 0;
    size_t& cursor = player.cursor;
    uint32_t& position = player.position;
    uint32_t end = position - position % kStreamTicksPerQuarter + kStreamTicksPerQuarter;
    auto inQuarter = [&] { return cursor < count && music->events[cursor].time < end; };
    for (; HasRoom(used) && inQuarter(); ++cursor) {
        const MidiEvent& event = music->events[cursor];
        if (event.time >= position) {
            PutRecord(buffer, used, event.time - position, StreamEvent(event));
            position = event.time;
        }
    }
    if (inQuarter()) {
        PutRecord(buffer, used, 0, kEndOfQuarterEvent);
        return;
    }
    PutRecord(buffer, used, end - position, kEndOfQuarterEvent);
    position = end;
}

static_assert((1 + kMaxSetupMessages) * kRecordBytes + kRoomNeeded <= kStreamBufferBytes,
              "the setup and the song's next event fit into one buffer");

} // namespace

bool CMidiPlayer::Init()
{
    flags = 0;
    music = nullptr;
    cursor = 0;
    position = 0;
    active = 0;
    stopping = 0;
    resendSetup = 0;
    lapsBefore = 0;
    queuedBuffers = 0;
    stream = nullptr;
    nextBuffer = 0;
    memset(headers, 0, sizeof headers);
    bool ok = true;
    for (uint8_t*& buffer : buffers) {
        buffer = static_cast<uint8_t*>(calloc(kStreamBufferBytes, 1));
        ok = ok && buffer;
    }
    return ok;
}

void CMidiPlayer::SetMusic(CMusicData* newMusic, uint32_t newFlags)
{
    if (music)
        music->Release();
    position = 0;
    music = newMusic;
    flags = newFlags;
    cursor = 0;
    lapsBefore = 0;
}

void CMidiPlayer::Start()
{
    stopping = 0;
    if (!active) {
        resendSetup = 1;
        Open();
    }
    if (!active)
        return;
    uint32_t more = queuedBuffers < kStreamBuffers ? kStreamBuffers - queuedBuffers : 0;
    for (; more > 0 && active; --more)
        FillAndQueue();
}

void CMidiPlayer::Open()
{
    UINT deviceId = MIDI_MAPPER;
    if (midiStreamOpen(&stream, &deviceId, 1, GetCurrentThreadId(), 0, CALLBACK_THREAD)
        != MMSYSERR_NOERROR) {
        stream = nullptr;
        return;
    }
    MIDIPROPTIMEDIV timeDiv = {sizeof timeDiv, kStreamTicksPerQuarter};
    midiStreamProperty(stream, reinterpret_cast<BYTE*>(&timeDiv), MIDIPROP_SET | MIDIPROP_TIMEDIV);
    memset(headers, 0, sizeof headers);
    for (uint32_t b = 0; b < kStreamBuffers; ++b) {
        headers[b].lpData = reinterpret_cast<char*>(buffers[b]);
        headers[b].dwBufferLength = kStreamBufferBytes;
        midiOutPrepareHeader(stream, &headers[b], sizeof(MIDIHDR));
    }
    midiStreamRestart(stream);
    active = 1;
    nextBuffer = 0;
    queuedBuffers = 0;
    FillAndQueue();
    FillAndQueue();
}

void CMidiPlayer::Close()
{
    midiStreamStop(stream);
    midiOutReset(stream);
    for (MIDIHDR& header : headers)
        midiOutUnprepareHeader(stream, &header, sizeof(MIDIHDR));
    midiStreamClose(stream);
    stream = nullptr;
    active = 0;
}

void CMidiPlayer::Destroy()
{
    if (active)
        Close();
    for (uint8_t*& buffer : buffers) {
        free(buffer);
        buffer = nullptr;
    }
    if (music)
        music->Release();
    music = nullptr;
}

void CMidiPlayer::FillAndQueue()
{
    uint8_t* buffer = buffers[nextBuffer];
    uint32_t used = 0;
    size_t count = music ? music->events.size() : 0;
    if (resendSetup && music && cursor < count)
        WriteSongSetup(*music, cursor, lapsBefore, buffer, used);
    resendSetup = 0;

    WriteQuarter(*this, buffer, used);

    if (music && cursor >= count) {
        cursor = 0;
        if (flags & SOUND_LOOP) {
            position = 0;
            if (lapsBefore < 2)
                lapsBefore += 1;
        } else {
            music->Release();
            music = nullptr;
        }
    }

    MIDIHDR& header = headers[nextBuffer];
    header.dwBytesRecorded = used;
    header.dwFlags |= MHDR_ISSTRM;
    if (midiStreamOut(stream, &header, sizeof(MIDIHDR)) == MMSYSERR_NOERROR) {
        queuedBuffers += 1;
        nextBuffer = 1 - nextBuffer;
    }
}
