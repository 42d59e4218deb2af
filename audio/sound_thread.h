// The sound thread owns all audio output. The GUI thread only posts these
// messages to it; nothing ever comes back.
#pragma once

#include <cstdint>

#include "audio/midi_player.h"
#include "audio/wave_mixer.h"
#include "platform/win_threads.h"

class CRefCountedObject;

enum : UINT
{
    WM_SOUND_PING = 0x400,
    WM_SOUND_QUIT = 0x401,
    WM_SOUND_ENABLE = 0x402,
    WM_SOUND_DISABLE = 0x403,
    WM_SOUND_PLAY = 0x404,
    WM_SOUND_MUSIC = 0x405,
    WM_SOUND_VOLUME = 0x406,
};

enum : LPARAM
{
    SOUND_LOOP = 0x10,
    SOUND_RESTART_CHANNEL = 0x20,
};

extern int32_t g_soundThreadUsers;
extern HANDLE g_soundThread;  // 0 while there is no sound thread
extern DWORD g_soundThreadId;

// Posts to the sound thread when there is one. A non-null object travels with
// one added reference; if the post fails that reference is released again.
void PostSoundMessage(UINT message, CRefCountedObject* object, LPARAM lParam);

// GUI thread. Calls nest: the thread runs from the first start to the last stop.
void StartSoundThread();
// Waits at most 5 seconds for the thread to close its devices and end.
void StopSoundThread();
DWORD SoundThreadProc(void* parameter);

// Pings until the new thread's queue takes the post. False if the thread
// ended without ever making one.
bool WaitForSoundThreadQueue(HANDLE thread, DWORD threadId);

// Everything the sound thread owns; touched by no other thread.
struct SoundThreadState
{
    bool quit;
    int32_t enableCount; // output runs while above 0; may go below
    CWaveMixer mixer;
    CMidiPlayer player;
};

// False when the mixer's or player's buffers cannot be had.
bool InitSoundThreadState(SoundThreadState& state);
void HandleSoundMessage(SoundThreadState& state, const MSG& msg);
// Quit has arrived and both devices are closed.
bool SoundThreadMayEnd(const SoundThreadState& state);
// Closes the devices and releases every reference still held.
void DestroySoundThreadState(SoundThreadState& state);
