// Types, result codes and notification messages shared by the wave output,
// MIDI stream and PCM conversion layers. Formats are byte-packed so that a
// format record can be read straight from a WAV file's "fmt " chunk.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

typedef UINT MMRESULT;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uintptr_t DWORD_PTR;

enum : MMRESULT
{
    MMSYSERR_NOERROR = 0,
    MMSYSERR_ERROR = 1,
    MMSYSERR_BADDEVICEID = 2,
    MMSYSERR_ALLOCATED = 4,
    MMSYSERR_INVALHANDLE = 5,
    MMSYSERR_NODRIVER = 6,
    MMSYSERR_NOMEM = 7,
    MMSYSERR_NOTSUPPORTED = 8,
    MMSYSERR_INVALFLAG = 10,
    MMSYSERR_INVALPARAM = 11,
    WAVERR_BADFORMAT = 32,
    WAVERR_STILLPLAYING = 33,
    WAVERR_UNPREPARED = 34,
    MIDIERR_UNPREPARED = 64,
    MIDIERR_STILLPLAYING = 65,
};

// Notifications posted to the callback thread, wParam = device, lParam = header.
enum : UINT
{
    MM_WOM_OPEN = 0x3BB,
    MM_WOM_CLOSE = 0x3BC,
    MM_WOM_DONE = 0x3BD,
    MM_MOM_OPEN = 0x3C7,
    MM_MOM_CLOSE = 0x3C8,
    MM_MOM_DONE = 0x3C9,
    MM_MOM_POSITIONCB = 0x3CA,
};

enum : DWORD
{
    CALLBACK_NULL = 0x00000000,
    CALLBACK_THREAD = 0x00020000,
};

enum : WORD
{
    WAVE_FORMAT_PCM = 1,
    WAVE_FORMAT_IEEE_FLOAT = 3,
    WAVE_FORMAT_EXTENSIBLE = 0xFFFE,
};

#pragma pack(push, 1)
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize; // bytes of format-specific data that follow
};

struct GUID
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

struct WAVEFORMATEXTENSIBLE
{
    WAVEFORMATEX Format;
    WORD wValidBitsPerSample;
    DWORD dwChannelMask;
    GUID SubFormat; // Data1 holds the plain format tag
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18, "file layout");
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40, "file layout");

enum : UINT
{
    TIME_MS = 0x1,
    TIME_SAMPLES = 0x2,
    TIME_BYTES = 0x4,
};

struct MMTIME
{
    UINT wType;
    union
    {
        DWORD ms;
        DWORD sample;
        DWORD cb;
    } u;
};
