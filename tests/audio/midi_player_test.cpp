#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "audio/midi_player.h"
#include "tests/audio/audio_test_support.h"

// Found by argument lookup, so at global scope like the record itself.
bool operator==(const MIDIEVENT& a, const MIDIEVENT& b)
{
    return a.dwDeltaTime == b.dwDeltaTime && a.dwStreamID == b.dwStreamID && a.dwEvent == b.dwEvent;
}

std::ostream& operator<<(std::ostream& out, const MIDIEVENT& e)
{
    return out << "{" << e.dwDeltaTime << ", " << std::hex << e.dwEvent << std::dec << "}";
}

namespace {

constexpr uint32_t kQuarterAt120 = 22050; // samples per quarter note at 500000 us

std::vector<MIDIEVENT> Records(const MIDIHDR& header)
{
    std::vector<MIDIEVENT> out(header.dwBytesRecorded / sizeof(MIDIEVENT));
    memcpy(out.data(), header.lpData, out.size() * sizeof(MIDIEVENT));
    return out;
}

MidiEvent Note(uint32_t time, uint8_t key, uint8_t velocity = 100)
{
    return MidiEvent{time, 0x90, key, velocity, 0};
}

MidiEvent Program(uint32_t time, uint8_t channel, uint8_t program)
{
    return MidiEvent{time, static_cast<uint8_t>(0xC0 | channel), program, 0, 0};
}

MidiEvent Tempo(uint32_t time, uint32_t microseconds)
{
    return MidiEvent{time, 0xFF, static_cast<uint8_t>(microseconds >> 16),
                     static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds), };
}

CMusicData* MakeMusic(std::vector<MidiEvent> events)
{
    auto* music = new CMusicData;
    music->events = std::move(events);
    return music;
}

class MidiPlayer : public ::testing::Test
{
protected:
    ManualSoundThread thread;
    CMidiPlayer& player = thread.state.player;

    void TearDown() override { ManualMidiStreamTakeLog(); }

    // Posts the music with the reference a message carries.
    void SetMusic(CMusicData* music, uint32_t flags)
    {
        if (music)
            music->AddRef();
        thread.Send(WM_SOUND_MUSIC, reinterpret_cast<WPARAM>(music), flags);
    }

    // The buffer filled last, or the one before it.
    std::vector<MIDIEVENT> Filled(uint32_t back)
    {
        return Records(player.headers[(player.nextBuffer + 1 + back) % 2]);
    }

    // Plays stream time and answers each buffer as the sound thread does.
    int Play(uint32_t samples)
    {
        ManualMidiStreamAdvance(samples);
        return thread.Pump();
    }

    // Output off until the stream has closed, then on again. Returns the
    // song time at which the song goes on.
    uint32_t PauseAndResume()
    {
        thread.Send(WM_SOUND_DISABLE);
        for (int step = 0; step < 4 && ManualMidiStreamIsOpen(); ++step)
            Play(kQuarterAt120);
        EXPECT_FALSE(ManualMidiStreamIsOpen());
        ManualMidiStreamTakeLog();
        uint32_t resumed = player.position;
        thread.Send(WM_SOUND_ENABLE);
        return resumed;
    }
};

MIDIEVENT EndRecord(uint32_t delta)
{
    return MIDIEVENT{delta, 0, kEndOfQuarterEvent};
}

} // namespace

TEST_F(MidiPlayer, QuarterNotePerBufferAndReleaseAfterTheLastFill)
{
    CMusicData* music = MakeMusic({Note(0, 60), Tempo(10, 400000), Note(191, 62)});
    SetMusic(music, 0);
    EXPECT_EQ(music->refCount, 2);
    thread.Send(WM_SOUND_ENABLE);
    ASSERT_TRUE(player.active);
    EXPECT_EQ(player.queuedBuffers, 2u);
    EXPECT_EQ(Filled(1), (std::vector<MIDIEVENT>{{0, 0, 0x00643C90}, {10, 0, 0x01061A80},
                                                 {181, 0, 0x00643E90}, EndRecord(1)}));
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{EndRecord(192)}));
    EXPECT_EQ(player.music, nullptr); // released right after the fill that took its last event
    EXPECT_EQ(music->refCount, 1);
    music->Release();
}

TEST_F(MidiPlayer, LoopStartsAgainAtTheQuarterAfterTheLastEvent)
{
    CMusicData* music = MakeMusic({Note(0, 60), Note(100, 61)});
    SetMusic(music, SOUND_LOOP);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    EXPECT_EQ(Filled(1), Filled(0));
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{{0, 0, 0x00643C90}, {100, 0, 0x00643D90},
                                                 EndRecord(92)}));
    // On the clock: the second note of the first pass, then the song again one quarter in.
    EXPECT_EQ(Play(kQuarterAt120 - 1), 0);
    EXPECT_EQ(Play(1), 1);
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1].sample, 100u * kQuarterAt120 / 192);
    EXPECT_EQ(log[2].sample, kQuarterAt120);
    EXPECT_EQ(log[2].message, 0x643C90u);
}

TEST_F(MidiPlayer, DeltasCountFromThePositionFilledSoFar)
{
    CMusicData* music = MakeMusic({Note(0, 1), Note(200, 60), Note(200, 61), Note(500, 62)});
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{{8, 0, 0x00643C90}, {0, 0, 0x00643D90},
                                                 EndRecord(184)}));
}

TEST_F(MidiPlayer, AFullBufferClosesAtItsLastEventAndTheNextGoesOnFromThere)
{
    std::vector<MidiEvent> events(400, Note(5, 60));
    events.push_back(Note(192, 61));
    CMusicData* music = MakeMusic(events);
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    std::vector<MIDIEVENT> first = Filled(1);
    ASSERT_EQ(first.size(), 340u);
    EXPECT_EQ(first.front(), (MIDIEVENT{5, 0, 0x643C90}));
    EXPECT_EQ(first.back(), EndRecord(0));
    EXPECT_EQ(player.headers[0].dwBytesRecorded, 340u * 12);
    std::vector<MIDIEVENT> second = Filled(0);
    ASSERT_EQ(second.size(), 62u); // the other 61, then the quarter's end
    EXPECT_EQ(second.front(), (MIDIEVENT{0, 0, 0x643C90}));
    EXPECT_EQ(second.back(), EndRecord(187));
    Play(kQuarterAt120);
    Play(1);
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 401u);
    for (size_t i = 0; i < 400; ++i)
        ASSERT_EQ(log[i].sample, 5u * kQuarterAt120 / 192) << i;
    EXPECT_EQ(log[400].sample, kQuarterAt120);
    EXPECT_EQ(log[400].message, 0x643D90u);
}

TEST_F(MidiPlayer, TempoChangesTimeTheClockAndEachQuarterReturnsOneBuffer)
{
    // Quarter 1 at 120 beats a minute, then 240 from its end.
    CMusicData* music = MakeMusic({Note(0, 60), Note(96, 61), Tempo(192, 250000), Note(288, 62),
                                   Note(384, 63)});
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    // Buffers end at 22050, 33075, 44100 and 55125 samples.
    std::vector<int> done;
    for (uint32_t quarter : {22050u, 11025u, 11025u, 11025u}) {
        done.push_back(Play(quarter - 1));
        done.push_back(Play(1));
    }
    EXPECT_EQ(done, (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1}));
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].sample, 0u);
    EXPECT_EQ(log[1].sample, 11025u);
    EXPECT_EQ(log[2].sample, 22050u + 5512u); // 96 ticks at 250000 us, rounded down
    EXPECT_EQ(log[3].sample, 33075u);
    EXPECT_EQ(player.queuedBuffers, 2u);
}

TEST_F(MidiPlayer, ReopeningResendsEachChannelsLastProgramAndStopSilences)
{
    // Channel 0 takes program 40 from bank 2, then selects bank 5 for later.
    std::vector<MidiEvent> events = {Program(0, 0, 73),    Program(0, 1, 32),     Note(0, 60),
                                     {200, 0xB0, 0, 2, 0}, Program(200, 0, 40),
                                     {300, 0xB0, 0, 5, 0}};
    for (uint32_t q = 2; q < 12; ++q)
        events.push_back(Note(q * 192, 60));
    CMusicData* music = MakeMusic(events);
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    Play(2 * kQuarterAt120);
    ManualMidiStreamTakeLog();
    thread.Send(WM_SOUND_DISABLE);
    int returned = 0;
    for (int step = 0; step < 4 && ManualMidiStreamIsOpen(); ++step)
        returned += Play(kQuarterAt120);
    EXPECT_FALSE(ManualMidiStreamIsOpen()); // closed once both buffers came back
    EXPECT_EQ(returned, 2);
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().message, kMidiLogAllNotesOff);

    size_t cursor = player.cursor;
    ASSERT_GT(cursor, 4u);
    thread.Send(WM_SOUND_ENABLE);
    std::vector<MIDIEVENT> first = Filled(1);
    ASSERT_GE(first.size(), 5u);
    EXPECT_EQ(first[0], (MIDIEVENT{0, 0, 0x0200B0}));
    EXPECT_EQ(first[1], (MIDIEVENT{0, 0, 0x28C0}));
    EXPECT_EQ(first[2], (MIDIEVENT{0, 0, 0x0500B0}));
    EXPECT_EQ(first[3], (MIDIEVENT{0, 0, 0x20C1}));
    EXPECT_EQ(first[4].dwEvent, 0x643C90u); // then the song where it was
}

TEST_F(MidiPlayer, ADenseSongResumedMidSongPlaysAllOfItsFirstQuarterOnTime)
{
    // Every channel sets its bank, program, kept controllers, bend range, a
    // non-registered selection and bend, then plays four notes a quarter.
    std::vector<MidiEvent> events;
    const uint8_t controls[][2] = {{1, 64},  {7, 64},  {10, 64}, {11, 64}, {64, 64},
                                   {91, 64}, {93, 64}, {101, 0}, {100, 0}, {6, 12},
                                   {38, 0},  {99, 1},  {98, 2}};
    for (uint8_t c = 0; c < 16; ++c) {
        uint8_t cc = static_cast<uint8_t>(0xB0 | c);
        events.push_back(MidiEvent{0, cc, 0, 1, 0});
        events.push_back(Program(0, c, static_cast<uint8_t>(c * 5)));
        for (const uint8_t* control : controls)
            events.push_back(MidiEvent{0, cc, control[0], control[1], 0});
        events.push_back(MidiEvent{0, static_cast<uint8_t>(0xE0 | c), 0, 0x50, 0});
    }
    for (uint32_t q = 0; q < 12; ++q)
        for (uint32_t k = 0; k < 4; ++k)
            for (uint8_t c = 0; c < 16; ++c) {
                uint8_t key = static_cast<uint8_t>(30 + c + 4 * k + q % 8);
                uint32_t time = q * 192 + k * 48;
                events.push_back(MidiEvent{time, static_cast<uint8_t>(0x90 | c), key, 90, 0});
                events.push_back(MidiEvent{time + 40, static_cast<uint8_t>(0x80 | c), key, 0, 0});
            }
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
    CMusicData* music = MakeMusic(events);
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    for (int q = 0; q < 4; ++q)
        Play(kQuarterAt120);
    uint32_t start = PauseAndResume();
    ASSERT_EQ(start % 192, 0u);
    ASSERT_GE(start, 4u * 192);
    std::vector<std::pair<uint64_t, uint32_t>> expected, played;
    for (const MidiEvent& e : events)
        if (e.time >= start && e.time < start + 192 && (e.status & 0xE0) == 0x80)
            expected.emplace_back((e.time - start) * uint64_t{kQuarterAt120} / 192,
                                  e.status | e.data1 << 8 | e.data2 << 16);
    ASSERT_EQ(expected.size(), 128u);
    Play(kQuarterAt120 - 1);
    for (const MidiLogEntry& entry : ManualMidiStreamTakeLog())
        if ((entry.message & 0xE0) == 0x80)
            played.emplace_back(entry.sample, entry.message);
    EXPECT_EQ(played, expected);
}

TEST_F(MidiPlayer, ASongOfManyProgramChangesResumedInALaterLapHasEachChannelsLastSetup)
{
    // 32 quarters: each channel changes its program half way through every
    // quarter; channel 0's volume and pan are set only near the end.
    std::vector<MidiEvent> events;
    for (uint32_t q = 0; q < 32; ++q) {
        for (uint8_t c = 0; c < 16; ++c)
            events.push_back(Program(q * 192 + 96, c, static_cast<uint8_t>((q * 16 + c) % 128)));
        if (q == 30) {
            events.push_back(MidiEvent{q * 192 + 100, 0xB0, 7, 40, 0});
            events.push_back(MidiEvent{q * 192 + 100, 0xB0, 10, 0, 0});
        }
    }
    CMusicData* music = MakeMusic(events);
    SetMusic(music, SOUND_LOOP);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    for (int q = 0; q < 32 + 20; ++q)
        Play(kQuarterAt120);
    uint32_t resumed = PauseAndResume() / 192;
    ASSERT_EQ(player.lapsBefore, 1);
    ASSERT_GE(resumed, 1u);
    ASSERT_LT(resumed, 30u);
    Play(1); // what is in force as the song goes on
    uint32_t program[16], volume = 100, pan = 64;
    std::fill(std::begin(program), std::end(program), 0xFF);
    for (const MidiLogEntry& entry : ManualMidiStreamTakeLog()) {
        uint32_t m = entry.message;
        if ((m & 0xF0) == 0xC0)
            program[m & 0x0F] = m >> 8;
        if ((m & 0xFFFF) == 0x07B0)
            volume = m >> 16;
        if ((m & 0xFFFF) == 0x0AB0)
            pan = m >> 16;
    }
    for (uint32_t c = 0; c < 16; ++c)
        EXPECT_EQ(program[c], ((resumed - 1) * 16 + c) % 128) << "channel " << c;
    EXPECT_EQ(volume, 40u);
    EXPECT_EQ(pan, 0u);
}

TEST_F(MidiPlayer, NullMusicStreamsEmptyQuartersAndANewSongStartsAtTheNextBuffer)
{
    CMusicData* music = MakeMusic({Note(0, 60), Note(300, 61)});
    SetMusic(music, SOUND_LOOP);
    thread.Send(WM_SOUND_ENABLE);
    SetMusic(nullptr, 0);
    EXPECT_EQ(music->refCount, 1);
    Play(kQuarterAt120);
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{EndRecord(192)}));
    SetMusic(music, 0);
    music->Release();
    Play(kQuarterAt120);
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{{0, 0, 0x00643C90}, EndRecord(192)}));
}

TEST_F(MidiPlayer, StrayNotificationKeepsTheCountAtZero)
{
    thread.Send(MM_MOM_DONE);
    EXPECT_EQ(player.queuedBuffers, 0u);
    thread.Send(WM_SOUND_ENABLE);
    thread.Send(MM_MOM_DONE); // both buffers still on the device: nothing is refilled
    EXPECT_EQ(ManualMidiStreamQueued(), 2u);
    EXPECT_EQ(player.queuedBuffers, 1u);
}
