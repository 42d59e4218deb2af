// The sound thread owns all audio output. The GUI thread only posts these
// messages to it; nothing ever comes back.
#pragma once

#include <cstdint>

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
