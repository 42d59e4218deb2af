// Stands in for the sound thread while it lives: records every message
// posted to it but the ping and, as the mixer would, releases the reference
// that each played sound travels with.
#pragma once

#include <mutex>
#include <vector>

#include "audio/sound_data.h"
#include "audio/sound_thread.h"
#include "platform/win_threads.h"

class SoundThreadStub
{
public:
    SoundThreadStub()
    {
        thread = CreateThread(nullptr, 0, Run, this, 0, &id);
        for (int i = 0; i < 500 && !PostThreadMessageA(id, WM_SOUND_PING, 0, 0); ++i)
            Sleep(2);
        g_soundThread = thread;
        g_soundThreadId = id;
    }

    ~SoundThreadStub()
    {
        g_soundThread = nullptr;
        PostThreadMessageA(id, WM_SOUND_QUIT, 0, 0);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }

    // Waits up to a second for `count` messages, and a moment for any more.
    std::vector<MSG> Received(size_t count = 0)
    {
        for (int i = 0; i < 500 && Count() < count; ++i)
            Sleep(2);
        Sleep(20);
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }

    std::vector<UINT> Messages(size_t count = 0)
    {
        std::vector<UINT> messages;
        for (const MSG& m : Received(count))
            messages.push_back(m.message);
        return messages;
    }

private:
    std::mutex mutex;
    std::vector<MSG> received;
    HANDLE thread = nullptr;
    DWORD id = 0;

    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received.size();
    }

    static DWORD Run(void* parameter)
    {
        auto* stub = static_cast<SoundThreadStub*>(parameter);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_SOUND_QUIT) {
            if (msg.message == WM_SOUND_PING)
                continue;
            std::lock_guard<std::mutex> lock(stub->mutex);
            stub->received.push_back(msg);
            if (msg.message == WM_SOUND_PLAY && msg.wParam)
                reinterpret_cast<CSoundData*>(msg.wParam)->Release();
        }
        return 0;
    }
};
