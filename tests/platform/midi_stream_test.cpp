#include <gtest/gtest.h>

#include <cmath>

#include "platform/win_midi_stream.h"
#include "tests/platform/audio_device_test_support.h"

namespace {

// A prepared stream buffer of 12-byte records.
struct StreamBuffer
{
    std::vector<DWORD> words;
    MIDIHDR header = {};

    void Add(DWORD delta, DWORD event)
    {
        words.insert(words.end(), {delta, 0, event});
    }
    MIDIHDR* Prepare(HMIDISTRM stream)
    {
        words.resize(words.size() + 8); // room the device must not read
        header.lpData = reinterpret_cast<char*>(words.data());
        header.dwBufferLength = static_cast<DWORD>(words.size() * 4);
        header.dwBytesRecorded = static_cast<DWORD>((words.size() - 8) * 4);
        EXPECT_EQ(midiOutPrepareHeader(stream, &header, sizeof header), MMSYSERR_NOERROR);
        return &header;
    }
};

HMIDISTRM OpenStream(DWORD timeDiv)
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    HMIDISTRM stream = nullptr;
    UINT device = MIDI_MAPPER;
    EXPECT_EQ(midiStreamOpen(&stream, &device, 1, GetCurrentThreadId(), 0, CALLBACK_THREAD),
              MMSYSERR_NOERROR);
    MIDIPROPTIMEDIV property = {sizeof property, timeDiv};
    EXPECT_EQ(midiStreamProperty(stream, reinterpret_cast<BYTE*>(&property),
                                 MIDIPROP_SET | MIDIPROP_TIMEDIV),
              MMSYSERR_NOERROR);
    TakeMessages(); // MM_MOM_OPEN
    ManualMidiStreamTakeLog();
    return stream;
}

void Close(HMIDISTRM stream, std::initializer_list<StreamBuffer*> buffers)
{
    midiStreamStop(stream);
    midiOutReset(stream);
    for (StreamBuffer* buffer : buffers)
        EXPECT_EQ(midiOutUnprepareHeader(stream, &buffer->header, sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(midiStreamClose(stream), MMSYSERR_NOERROR);
}

std::vector<UINT> Messages()
{
    std::vector<UINT> out;
    for (const MSG& msg : TakeMessages())
        out.push_back(msg.message);
    return out;
}

} // namespace

TEST(MidiStreamDevice, OpensPausedAtTheDefaultTempo)
{
    SetAudioBackend(AudioBackend::Manual);
    HMIDISTRM stream = OpenStream(192);
    MIDIPROPTEMPO tempo = {sizeof tempo, 0};
    EXPECT_EQ(midiStreamProperty(stream, reinterpret_cast<BYTE*>(&tempo), MIDIPROP_GET | MIDIPROP_TEMPO),
              MMSYSERR_NOERROR);
    EXPECT_EQ(tempo.dwTempo, 500000u);
    StreamBuffer buffer;
    buffer.Add(96, 0x643C90);
    buffer.Add(96, 0x42000000);
    EXPECT_EQ(midiStreamOut(stream, buffer.Prepare(stream), sizeof(MIDIHDR)), MMSYSERR_NOERROR);
    ManualMidiStreamAdvance(44100);
    EXPECT_TRUE(ManualMidiStreamTakeLog().empty()); // paused until restarted
    midiStreamRestart(stream);
    ManualMidiStreamAdvance(11024);
    EXPECT_TRUE(ManualMidiStreamTakeLog().empty());
    ManualMidiStreamAdvance(1);
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sample, 44100u + 11025u); // counted from the restart
    EXPECT_EQ(Messages(), std::vector<UINT>{});
    ManualMidiStreamAdvance(11025);
    // The no-op at the quarter's end asks for a callback; then the buffer is done.
    EXPECT_EQ(Messages(), (std::vector<UINT>{MM_MOM_POSITIONCB, MM_MOM_DONE}));
    EXPECT_TRUE(IsMidiHeaderDone(buffer.header));
    Close(stream, {&buffer});
}

TEST(MidiStreamDevice, TempoEventsApplyFromTheirPlaceAndZeroCannotStopTime)
{
    SetAudioBackend(AudioBackend::Manual);
    HMIDISTRM stream = OpenStream(192);
    StreamBuffer buffer;
    buffer.Add(0, 0x01000000 | 250000);  // 240 beats a minute
    buffer.Add(192, 0x643C90);           // a quarter later: 11025 samples
    buffer.Add(0, 0x01000000);           // tempo 0: ignored
    buffer.Add(192, 0x643D90);           // still 11025
    buffer.Add(0, 0x01000001);           // absurdly fast: held at 1 ms a quarter
    buffer.Add(192, 0x643E90);           // 44.1 samples later
    buffer.Add(0, 0x80000008);           // a long event with 8 bytes of parameters: skipped
    buffer.words.insert(buffer.words.end(), {0xFFFFFFFF, 0xFFFFFFFF});
    buffer.Add(0, 0x643F90);
    midiStreamOut(stream, buffer.Prepare(stream), sizeof(MIDIHDR));
    midiStreamRestart(stream);
    ManualMidiStreamAdvance(30000);
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].sample, 11025u);
    EXPECT_EQ(log[1].sample, 22050u);
    EXPECT_EQ(log[2].sample, 22094u);
    EXPECT_EQ(log[3].message, 0x643F90u);
    EXPECT_EQ(Messages(), std::vector<UINT>{MM_MOM_DONE});
    Close(stream, {&buffer});
}

TEST(MidiStreamDevice, StopReturnsBuffersAndSilencesEveryNote)
{
    SetAudioBackend(AudioBackend::Manual);
    HMIDISTRM stream = OpenStream(192);
    StreamBuffer first, second;
    first.Add(0, 0x643C90);
    first.Add(192, 0x42000000);
    second.Add(192, 0x42000000);
    midiStreamOut(stream, first.Prepare(stream), sizeof(MIDIHDR));
    midiStreamOut(stream, second.Prepare(stream), sizeof(MIDIHDR));
    EXPECT_EQ(midiStreamOut(stream, &first.header, sizeof(MIDIHDR)),
              static_cast<MMRESULT>(MIDIERR_STILLPLAYING));
    midiStreamRestart(stream);
    ManualMidiStreamAdvance(100);
    EXPECT_EQ(midiStreamClose(stream), static_cast<MMRESULT>(MIDIERR_STILLPLAYING));
    EXPECT_EQ(midiStreamStop(stream), MMSYSERR_NOERROR);
    EXPECT_EQ(Messages(), (std::vector<UINT>{MM_MOM_DONE, MM_MOM_DONE}));
    std::vector<MidiLogEntry> log = ManualMidiStreamTakeLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].message, kMidiLogAllNotesOff);
    Close(stream, {&first, &second});
}

TEST(MidiStreamDevice, CaptureRendersTheNotesOnTimeInRealTime)
{
    std::string dir = UseCaptureFolder();
    auto start = std::chrono::steady_clock::now();
    HMIDISTRM stream = OpenStream(192);
    ASSERT_NE(stream, nullptr) << "needs " << kMidiSoundFont;
    // A rest of one quarter, then a piano note of one quarter, then a rest.
    StreamBuffer rest, note, after;
    rest.Add(192, 0x42000000);
    note.Add(0, 0x007F3C90);
    note.Add(192, 0x003C80);
    after.Add(192, 0x42000000);
    for (StreamBuffer* buffer : {&rest, &note, &after})
        midiStreamOut(stream, buffer->Prepare(stream), sizeof(MIDIHDR));
    midiStreamRestart(stream);
    double restartedBy = ElapsedMilliseconds(start) / 1000.0 + 0.001;
    int done = 0;
    MSG msg;
    while (done < 3 && ElapsedMilliseconds(start) < 5000)
        if (GetMessageA(&msg, nullptr, 0, 0) && msg.message == MM_MOM_DONE)
            ++done;
    long elapsed = ElapsedMilliseconds(start);
    EXPECT_EQ(done, 3);
    EXPECT_GE(elapsed, 1450); // three quarters at 120 beats a minute
    EXPECT_LT(elapsed, 4500); // far slower only when the machine is busy
    Close(stream, {&rest, &note, &after});

    CapturedWave wave = ReadCapture(dir + "/skylume-music.wav");
    EXPECT_EQ(wave.rate, 44100u);
    ASSERT_EQ(wave.channels, 2);
    auto loudness = [&](double from, double to) {
        size_t a = static_cast<size_t>(from * 44100) * 2, b = static_cast<size_t>(to * 44100) * 2;
        double sum = 0;
        for (size_t i = a; i < b && i < wave.samples.size(); ++i)
            sum += static_cast<double>(wave.samples[i]) * wave.samples[i];
        return std::sqrt(sum / static_cast<double>(b - a));
    };
    ASSERT_GE(wave.samples.size(), 2u * 44100 * 14 / 10);
    EXPECT_LT(loudness(0.0, 0.49), 1.0);   // the rest before the note
    EXPECT_GT(loudness(0.51, 0.9), 500.0); // the note, from half a second on
    // The note starts half a second after the restart, give or take a few
    // milliseconds of rendering ahead and of the piano's attack.
    size_t onset = 0;
    while (onset < wave.samples.size() && std::abs(wave.samples[onset]) < 200)
        ++onset;
    double onsetSeconds = static_cast<double>(onset / 2) / 44100.0;
    EXPECT_GE(onsetSeconds, 0.5);
    EXPECT_LE(onsetSeconds, 0.5 + restartedBy + 0.01);
}

TEST(MidiStreamDevice, AFailedSoundCardHandsItsBuffersBackAndTakesNoMore)
{
    UseFailingSoundCard();
    HMIDISTRM stream = OpenStream(192);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(midiStreamRestart(stream), MMSYSERR_NOERROR);
    // Seven hours of stream time: played on, this buffer would not come back.
    StreamBuffer buffer;
    buffer.Add(192 * 50000, 0x42000000);
    MIDIHDR* header = buffer.Prepare(stream);
    // The card may fail before the buffer arrives or while it plays.
    MMRESULT result = midiStreamOut(stream, header, sizeof(MIDIHDR));
    if (result == MMSYSERR_NOERROR) {
        auto start = std::chrono::steady_clock::now();
        while (!IsMidiHeaderDone(*header) && ElapsedMilliseconds(start) < 5000)
            Sleep(1);
        ASSERT_TRUE(IsMidiHeaderDone(*header));
        result = midiStreamOut(stream, header, sizeof(MIDIHDR));
    }
    EXPECT_EQ(result, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    Close(stream, {&buffer});
}
