#include "audio/music_data.h"

#include <algorithm>
#include <cstring>

#include "audio/resource_bytes.h"

namespace {

constexpr uint32_t kTicksPerQuarter = 192;

bool ReadByte(const uint8_t* data, uint32_t size, uint32_t& position, uint8_t& value)
{
    if (position >= size)
        return false;
    value = data[position++];
    return true;
}

bool ReadBigEndian16(const uint8_t* data, uint32_t size, uint32_t& position, uint16_t& value)
{
    uint8_t high = 0;
    uint8_t low = 0;
    bool ok = ReadByte(data, size, position, high) && ReadByte(data, size, position, low);
    value = static_cast<uint16_t>(high << 8 | low);
    return ok;
}

// Skips what a length says, failing without moving when the data is shorter.
// Compared in 64 bits: a length near 2^32 must not wrap the position back.
bool Skip(uint32_t size, uint32_t& position, uint32_t length)
{
    if (static_cast<uint64_t>(position) + length > size)
        return false;
    position += length;
    return true;
}

bool ReadDataByte(const uint8_t* data, uint32_t size, uint32_t& position, uint8_t& value)
{
    return ReadByte(data, size, position, value) && !(value & 0x80);
}

// Ticks of the file's division to ticks of ours. Computed in 64 bits, so a
// long song keeps its order instead of wrapping back to the start.
uint32_t ToSongTime(uint32_t ticks, uint16_t division)
{
    uint64_t time = static_cast<uint64_t>(ticks) * kTicksPerQuarter / division;
    return time > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(time);
}

bool ParseMetaEvent(CMusicData* music, const uint8_t* track, uint32_t length, uint32_t& position,
                    uint32_t time)
{
    uint8_t type;
    uint32_t size;
    if (!ReadByte(track, length, position, type) || !ReadVarLen(track, length, position, size))
        return false;
    if (type != 0x51 || size < 3)
        return Skip(length, position, size);
    uint8_t tempo[3];
    for (uint8_t& byte : tempo)
        if (!ReadByte(track, length, position, byte))
            return false;
    music->events.push_back(MidiEvent{time, 0xFF, tempo[0], tempo[1], tempo[2]});
    return Skip(length, position, size - 3);
}

} // namespace

bool ReadBigEndian32(const uint8_t* data, uint32_t size, uint32_t& position, uint32_t& value)
{
    uint16_t high = 0;
    uint16_t low = 0;
    bool ok = ReadBigEndian16(data, size, position, high);
    if (ok)
        ok = ReadBigEndian16(data, size, position, low);
    value = static_cast<uint32_t>(high) << 16 | low;
    return ok;
}

bool ReadVarLen(const uint8_t* data, uint32_t size, uint32_t& position, uint32_t& value)
{
    value = 0;
    uint8_t byte;
    do {
        if (!ReadByte(data, size, position, byte))
            return false;
        value = value * 128 + (byte & 0x7F);
    } while (byte & 0x80);
    return true;
}

bool ParseMidiTrack(CMusicData* music, const uint8_t* track, uint32_t length, uint16_t division)
{
    uint8_t runningStatus = 0;
    uint32_t ticks = 0;
    uint32_t position = 0;
    while (position < length) {
        uint32_t delta;
        if (!ReadVarLen(track, length, position, delta))
            return false;
        ticks += delta;
        uint8_t status;
        if (!ReadByte(track, length, position, status))
            return false;
        if (!(status & 0x80)) {
            position -= 1;
            if (!runningStatus)
                return false;
            status = runningStatus;
        }
        if (status < 0xF0)
            runningStatus = status;
        uint32_t time = ToSongTime(ticks, division);
        uint8_t data1 = 0;
        uint8_t data2 = 0;
        switch (status >> 4) {
        case 0x8: case 0x9: case 0xA: case 0xB: case 0xE:
            if (!ReadDataByte(track, length, position, data1)
                || !ReadDataByte(track, length, position, data2))
                return false;
            music->events.push_back(MidiEvent{time, status, data1, data2, 0});
            break;
        case 0xC: case 0xD:
            if (!ReadDataByte(track, length, position, data1))
                return false;
            music->events.push_back(MidiEvent{time, status, data1, 0, 0});
            break;
        default:
            if (status == 0xF0 || status == 0xF7) {
                uint32_t size;
                if (!ReadVarLen(track, length, position, size) || !Skip(length, position, size))
                    return false;
            } else if (status == 0xFF) {
                if (!ParseMetaEvent(music, track, length, position, time))
                    return false;
            } else {
                return false;
            }
        }
    }
    return true;
}

bool ParseMidiFile(CMusicData* music, const uint8_t* data, uint32_t size)
{
    uint32_t position = 0;
    uint32_t headerLength = 0;
    uint16_t format = 0;
    uint16_t tracks = 0;
    uint16_t division = 0;
    bool ok = size >= 4 && memcmp(data, "MThd", 4) == 0;
    position = 4;
    ok = ok && ReadBigEndian32(data, size, position, headerLength) && headerLength == 6;
    ok = ok && ReadBigEndian16(data, size, position, format) && format <= 1;
    ok = ok && ReadBigEndian16(data, size, position, tracks);
    ok = ok && ReadBigEndian16(data, size, position, division) && division >= 1
        && division <= 0x7FFF;
    for (uint16_t i = 0; ok && i < tracks; ++i) {
        uint32_t id = 0;
        uint32_t length = 0;
        ok = ReadBigEndian32(data, size, position, id)
            && ReadBigEndian32(data, size, position, length);
        if (!ok || static_cast<uint64_t>(position) + length > size) {
            ok = false;
            break;
        }
        if (memcmp(data + position - 8, "MTrk", 4) == 0)
            ok = ParseMidiTrack(music, data + position, length, division);
        position += length;
    }
    std::stable_sort(music->events.begin(), music->events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
    return ok;
}

CMusicData* CMusicData::Create(const uint8_t* data, uint32_t size)
{
    auto* music = new CMusicData;
    if (data)
        ParseMidiFile(music, data, size);
    return music;
}

CMusicData* LoadMusicResource(std::string name)
{
    uint32_t size = 0;
    const uint8_t* data = FindResourceBytes(name.c_str(), "MID", &size);
    return data ? CMusicData::Create(data, size) : nullptr;
}
