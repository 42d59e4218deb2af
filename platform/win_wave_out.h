// Wave output with the calls the mixer was designed around: blocks are
// prepared, written, played back to back and handed back one by one as
// MM_WOM_DONE thread messages, in the order they were written. The device's
// own thread never touches the caller's state beyond the headers it was given.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_mmsystem.h"

struct WaveOutDevice;
typedef WaveOutDevice* HWAVEOUT;

struct WAVEHDR
{
    char* lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

enum : DWORD
{
    WHDR_DONE = 0x01,
    WHDR_PREPARED = 0x02,
    WHDR_INQUEUE = 0x10,
};

constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;

// Only 16-bit PCM at 44100 Hz is played; anything else is WAVERR_BADFORMAT.
MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
// Refused with MMSYSERR_NODRIVER once the sound card has failed for good.
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
// Samples played since the device was opened or last reset.
MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size);
// Stops at once and hands every queued block back as done.
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);

// The device sets WHDR_DONE from its own thread; read the flag through this.
inline bool IsWaveHeaderDone(const WAVEHDR& header)
{
    return (__atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE) != 0;
}

// Manual clock (AudioBackend::Manual), driven by tests and benchmarks from any
// thread. Plays up to `samples` of what is queued on the open device and
// returns how many it played: a device whose queue runs dry stops, as a
// real one does.
uint32_t ManualWaveOutAdvance(uint32_t samples);
// Blocks written and not yet played on the open manual device (0 if none).
uint32_t ManualWaveOutQueued();
bool ManualWaveOutIsOpen();
// Everything the manual device has played since the last take.
std::vector<int16_t> ManualWaveOutTakePlayed();
