#include <gtest/gtest.h>

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

TEST_F(MidiPlayer, ABufferHoldsAt339EventsAndTheRestAreDropped)
{
    std::vector<MidiEvent> events(400, Note(5, 60));
    events.push_back(Note(192, 61));
    CMusicData* music = MakeMusic(events);
    SetMusic(music, 0);
    music->Release();
    thread.Send(WM_SOUND_ENABLE);
    std::vector<MIDIEVENT> first = Filled(1);
    ASSERT_EQ(first.size(), 340u);
    EXPECT_EQ(first.back(), EndRecord(187));
    EXPECT_EQ(player.headers[0].dwBytesRecorded, 340u * 12);
    EXPECT_EQ(Filled(0), (std::vector<MIDIEVENT>{{0, 0, 0x00643D90}, EndRecord(192)}));
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

TEST_F(MidiPlayer, ReopeningResendsTheProgramsBeforeTheCursorAndStopSilences)
{
    std::vector<MidiEvent> events = {Program(0, 0, 73), Program(0, 1, 32), Note(0, 60),
                                     Program(200, 0, 40)};
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
    ASSERT_GE(first.size(), 4u);
    EXPECT_EQ(first[0], (MIDIEVENT{0, 0, 0x49C0}));
    EXPECT_EQ(first[1], (MIDIEVENT{0, 0, 0x20C1}));
    EXPECT_EQ(first[2], (MIDIEVENT{0, 0, 0x28C0}));
    EXPECT_EQ(first[3].dwEvent, 0x643C90u); // then the song where it was
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
