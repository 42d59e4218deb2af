#include "audio/sound_thread.h"

#include "foundation/ref_counted.h"

int32_t g_soundThreadUsers = 0;
HANDLE g_soundThread = nullptr;
DWORD g_soundThreadId = 0;

void PostSoundMessage(UINT message, CRefCountedObject* object, LPARAM lParam)
{
    if (!g_soundThread)
        return;
    if (object)
        object->AddRef();
    if (!PostThreadMessageA(g_soundThreadId, message, reinterpret_cast<WPARAM>(object), lParam)
        && object)
        object->Release();
}
