#include <gtest/gtest.h>

#include <memory>

#include "audio/music_data.h"
#include "tests/audio/audio_test_support.h"

namespace {

struct Released
{
    void operator()(CMusicData* music) const { music->Release(); }
};
using Music = std::unique_ptr<CMusicData, Released>;

// Parsed from an exactly sized heap copy, so ASan sees any read past its end.
Music Parse(const Bytes& bytes, bool* result = nullptr)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    Music music(new CMusicData);
    bool ok = ParseMidiFile(music.get(), copy.get(), static_cast<uint32_t>(bytes.size()));
    if (result)
        *result = ok;
    return music;
}

const Bytes kNoteOn = {0x90, 60, 100};
const Bytes kNoteOff = {0x80, 60, 0};

std::vector<uint32_t> Times(const CMusicData& music)
{
    std::vector<uint32_t> out;
    for (const MidiEvent& e : music.events)
        out.push_back(e.time);
    return out;
}

} // namespace

TEST(MusicData, HeaderRulesGiveNoEvents)
{
    Bytes track = Event(0, kNoteOn);
    for (Bytes header : {MidiHeader(2, 1, 192), MidiHeader(1, 1, 192, 8), MidiHeader(1, 1, 0),
                         MidiHeader(1, 1, 0xE728)}) {
        Bytes file = header;
        Append(file, MidiChunk("MTrk", track));
        bool ok = true;
        Music music = Parse(file, &ok);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(music->events.empty());
    }
    Music created(CMusicData::Create(nullptr, 0));
    EXPECT_EQ(created->refCount, 1);
    EXPECT_TRUE(created->events.empty());
}

TEST(MusicData, ChunksOfOtherIdsUseUpATrackCount)
{
    Bytes file = MidiHeader(1, 2, 192);
    Append(file, MidiChunk("MTrk", Event(0, kNoteOn)));
    Append(file, MidiChunk("XFIH", {1, 2, 3}));
    Append(file, MidiChunk("MTrk", Event(0, kNoteOff)));
    bool ok = false;
    Music music = Parse(file, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(music->events.size(), 1u);
    EXPECT_EQ(music->events[0].status, 0x90);
}

TEST(MusicData, RunningStatusAndSystemEvents)
{
    Bytes track = Event(0, {0x91, 60, 100});
    Append(track, Event(10, {0xF0, 0x02, 0x7E, 0xF7}));    // sysex keeps the running status
    Append(track, Event(0, {0xFF, 0x01, 0x02, 'h', 'i'})); // so does a meta event
    Append(track, Event(5, {62, 90}));                      // data byte: running status 0x91
    Append(track, Event(0, {0xFF, 0x2F, 0x00}));           // end of track does not stop the parse
    Append(track, Event(1, {0xC1, 5}));
    bool ok = false;
    Music music = Parse(MidiFile({track}), &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(music->events.size(), 3u);
    EXPECT_EQ(music->events[1].status, 0x91);
    EXPECT_EQ(music->events[1].data1, 62);
    EXPECT_EQ(music->events[1].time, 15u);
    EXPECT_EQ(music->events[2].status, 0xC1);
    EXPECT_EQ(music->events[2].data2, 0);

    // A data byte with no running status fails that track.
    Music bad = Parse(MidiFile({Event(0, {60, 100})}), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(bad->events.empty());
}

TEST(MusicData, TempoEvents)
{
    Bytes track = Event(0, {0xFF, 0x51, 0x02, 0x07, 0xA1});             // too short: skipped
    Append(track, Event(0, {0xFF, 0x51, 0x04, 0x07, 0xA1, 0x20, 0x99})); // fourth byte skipped
    Append(track, Event(0, kNoteOn));
    bool ok = false;
    Music music = Parse(MidiFile({track}), &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(music->events.size(), 2u);
    const MidiEvent& tempo = music->events[0];
    EXPECT_EQ(tempo.status, 0xFF);
    EXPECT_EQ(tempo.data1 << 16 | tempo.data2 << 8 | tempo.data3, 500000);
    EXPECT_EQ(music->events[1].status, 0x90);
}

TEST(MusicData, BadStatusOrMissingBytesFailKeepingEarlierEvents)
{
    for (uint8_t status : {0xF8, 0xF2}) {
        Bytes track = Event(0, kNoteOn);
        Append(track, Event(0, {status}));
        Append(track, Event(0, kNoteOff));
        bool ok = true;
        Music music = Parse(MidiFile({track}), &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(music->events.size(), 1u);
    }
    // A data byte with its top bit set, and a message cut short by the chunk's end.
    bool ok = true;
    EXPECT_TRUE(Parse(MidiFile({Event(0, {0x90, 60, 0x80})}), &ok)->events.empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Parse(MidiFile({Event(0, {0x90, 60})}), &ok)->events.empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Parse(MidiFile({VarLen(5)}), &ok)->events.empty());
    EXPECT_FALSE(ok);
}

TEST(MusicData, LengthsNearTwoToThe32CannotWrapThePosition)
{
    // A sysex and a meta event whose lengths would wrap a 32-bit position back
    // to an earlier event (and so loop for ever) must fail instead.
    for (Bytes event : {Bytes{0xF0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7C}, Bytes{0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7A},
                        Bytes{0xFF, 0x51, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}}) {
        Bytes track = Event(0, kNoteOn);
        Append(track, Event(0, event));
        Append(track, Event(0, kNoteOff));
        bool ok = true;
        Music music = Parse(MidiFile({track}), &ok);
        EXPECT_FALSE(ok);
        EXPECT_LE(music->events.size(), 2u);
    }
    // A chunk length past the file's end.
    Bytes file = MidiHeader(1, 1, 192);
    Append(file, "MTrk");
    PutBe(file, 0xFFFFFFF8u, 4);
    Append(file, Event(0, kNoteOn));
    bool ok = true;
    EXPECT_TRUE(Parse(file, &ok)->events.empty());
    EXPECT_FALSE(ok);
}

TEST(MusicData, TimesScaleTo192PerQuarterAndMergeInTrackOrder)
{
    Bytes first = Event(96, kNoteOn);
    Append(first, Event(5, kNoteOff)); // tick 101
    Bytes second = Event(96, {0x91, 64, 100});
    Music music = Parse(MidiFile({first, second}, 96));
    EXPECT_EQ(Times(*music), (std::vector<uint32_t>{192, 192, 202}));
    EXPECT_EQ(music->events[0].status, 0x90); // equal times keep track order
    EXPECT_EQ(music->events[1].status, 0x91);

    music = Parse(MidiFile({first}, 480));
    EXPECT_EQ(Times(*music), (std::vector<uint32_t>{38, 40})); // 96*192/480, 101*192/480 rounded down

    // Far into a long song the scaled time would pass 2^32 in 32 bits and wrap to the start.
    Bytes late = Event(0, kNoteOn);
    Append(late, Event(0x0FFFFFFF, kNoteOff));
    Append(late, Event(0x0FFFFFFF, kNoteOff));
    music = Parse(MidiFile({late}, 1000));
    ASSERT_EQ(music->events.size(), 3u);
    EXPECT_EQ(Times(*music), (std::vector<uint32_t>{0, 51539607, 103079214}));
    music = Parse(MidiFile({late}, 1));
    EXPECT_EQ(music->events.back().time, 0xFFFFFFFFu); // beyond what a time holds: held at the end
}

TEST(MusicData, Readers)
{
    const uint8_t data[] = {0x12, 0x34, 0x56};
    uint32_t position = 0;
    uint32_t value = 1;
    EXPECT_FALSE(ReadBigEndian32(data, 3, position, value));
    EXPECT_EQ(value, 0x12345600u); // missing bytes read as 0
    EXPECT_EQ(position, 3u);
    const uint8_t varlen[] = {0x81, 0x80, 0x00, 0xFF};
    position = 0;
    EXPECT_TRUE(ReadVarLen(varlen, 4, position, value));
    EXPECT_EQ(value, 0x4000u);
    EXPECT_EQ(position, 3u);
    EXPECT_FALSE(ReadVarLen(varlen, 4, position, value));
}

TEST(MusicData, TestSongResource)
{
    Music song(LoadMusicResource("SONG"));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->events.size(), 2u + 1u + 64u + 1u + 32u);
    EXPECT_TRUE(std::is_sorted(song->events.begin(), song->events.end(),
                               [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; }));
    EXPECT_EQ(song->events.back().time, 32u * 192 - 1);
    EXPECT_EQ(LoadMusicResource("nothing"), nullptr); // empty
    EXPECT_EQ(LoadMusicResource("missing"), nullptr);
}
