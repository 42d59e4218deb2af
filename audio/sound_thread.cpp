#include "audio/sound_thread.h"

#include "foundation/ref_counted.h"

int32_t g_soundThreadUsers = 0;
HANDLE g_soundThread = nullptr;
DWORD g_soundThreadId = 0;

namespace {

constexpr DWORD kStopWaitMilliseconds = 5000;

thread_local bool t_isSoundThread = false;

// Messages left in the sound thread's queue when it ends still hold the
// references they were posted with.
void ReleaseLeftSoundMessage(const MSG& msg)
{
    if (!t_isSoundThread || !msg.wParam)
        return;
    if (msg.message == WM_SOUND_PLAY || msg.message == WM_SOUND_MUSIC)
        reinterpret_cast<CRefCountedObject*>(msg.wParam)->Release();
}

// A device whose writes all failed never reports back, so it is closed here.
void CloseIdleDevices(SoundThreadState& state)
{
    if (state.mixer.active && state.mixer.stopping && state.mixer.queuedBlocks == 0)
        state.mixer.Close();
    if (state.player.active && state.player.stopping && state.player.queuedBuffers == 0)
        state.player.Close();
}

void StopOutput(SoundThreadState& state)
{
    state.mixer.targetGain[0] = 0;
    state.mixer.stopping = 1;
    state.player.stopping = 1;
    CloseIdleDevices(state);
}

void OnWaveBlockDone(CWaveMixer& mixer)
{
    // A stray notification must not wrap the count: the device would never close.
    if (mixer.queuedBlocks > 0)
        mixer.queuedBlocks -= 1;
    if (!mixer.active)
        return;
    if (IsWaveHeaderDone(mixer.headers[mixer.nextBlock])
        && (!mixer.stopping || mixer.currentGain[0] != 0))
        mixer.MixAndQueue();
    if (mixer.stopping && mixer.queuedBlocks == 0)
        mixer.Close();
}

void OnMidiBufferDone(CMidiPlayer& player)
{
    if (player.queuedBuffers > 0)
        player.queuedBuffers -= 1;
    if (!player.active)
        return;
    // Never refill a buffer that the device still holds.
    if (!player.stopping && IsMidiHeaderDone(player.headers[player.nextBuffer]))
        player.FillAndQueue();
    if (player.stopping && player.queuedBuffers == 0)
        player.Close();
}

void SetVolume(CWaveMixer& mixer, WPARAM channel, LPARAM gain)
{
    // Every channel checks the limit: the mixer's arithmetic is sized for unity.
    if (static_cast<uint64_t>(gain) > kUnityGain)
        return;
    if (channel == 0)
        mixer.targetGain[1] = mixer.targetGain[2] = static_cast<uint32_t>(gain);
    else if (channel <= 2)
        mixer.targetGain[channel] = static_cast<uint32_t>(gain);
}

} // namespace

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

bool InitSoundThreadState(SoundThreadState& state)
{
    state.quit = false;
    state.enableCount = 0;
    bool mixer = state.mixer.Init();
    bool player = state.player.Init();
    return mixer && player;
}

void HandleSoundMessage(SoundThreadState& state, const MSG& msg)
{
    switch (msg.message) {
    case MM_WOM_DONE:
        OnWaveBlockDone(state.mixer);
        break;
    case MM_MOM_DONE:
        OnMidiBufferDone(state.player);
        break;
    case WM_SOUND_QUIT:
        state.quit = true;
        if (state.enableCount != 0)
            StopOutput(state);
        state.enableCount = 0;
        break;
    case WM_SOUND_ENABLE:
        if (state.enableCount == 0) {
            state.mixer.Start();
            state.player.Start();
        }
        state.enableCount += 1;
        break;
    case WM_SOUND_DISABLE:
        state.enableCount -= 1;
        if (state.enableCount == 0)
            StopOutput(state);
        break;
    case WM_SOUND_PLAY:
        state.mixer.Play(reinterpret_cast<CSoundData*>(msg.wParam), static_cast<uint32_t>(msg.lParam));
        break;
    case WM_SOUND_MUSIC:
        state.player.SetMusic(reinterpret_cast<CMusicData*>(msg.wParam),
                              static_cast<uint32_t>(msg.lParam));
        break;
    case WM_SOUND_VOLUME:
        SetVolume(state.mixer, msg.wParam, msg.lParam);
        break;
    default:
        break; // WM_SOUND_PING only proves the queue exists
    }
}

bool SoundThreadMayEnd(const SoundThreadState& state)
{
    return state.quit && !state.mixer.active && !state.player.active;
}

void DestroySoundThreadState(SoundThreadState& state)
{
    state.player.Destroy();
    state.mixer.Destroy();
}

DWORD SoundThreadProc(void*)
{
    t_isSoundThread = true;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists from here on
    SoundThreadState state;
    DWORD result = 0;
    if (!InitSoundThreadState(state))
        result = 1;
    while (result == 0 && !SoundThreadMayEnd(state)) {
        BOOL got = GetMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0);
        if (got == 0)
            result = 1;
        else if (got != -1)
            HandleSoundMessage(state, msg);
    }
    DestroySoundThreadState(state);
    return result;
}

bool WaitForSoundThreadQueue(HANDLE thread, DWORD threadId)
{
    while (!PostThreadMessageA(threadId, WM_SOUND_PING, 0, 0)) {
        DWORD code = STILL_ACTIVE;
        if (GetExitCodeThread(thread, &code) && code != STILL_ACTIVE)
            return false;
        Sleep(0);
    }
    return true;
}

void StartSoundThread()
{
    if (g_soundThreadUsers != 0) {
        g_soundThreadUsers += 1;
        return;
    }
    SetThreadMessageDisposer(ReleaseLeftSoundMessage);
    DWORD id = 0;
    g_soundThread = CreateThread(nullptr, 0, SoundThreadProc, nullptr, 0, &id);
    g_soundThreadId = id;
    if (g_soundThread) {
        SetThreadPriority(g_soundThread, THREAD_PRIORITY_ABOVE_NORMAL);
        if (!WaitForSoundThreadQueue(g_soundThread, g_soundThreadId)) {
            CloseHandle(g_soundThread); // died at start: run without sound
            g_soundThread = nullptr;
        }
    }
    g_soundThreadUsers += 1;
}

void StopSoundThread()
{
    g_soundThreadUsers -= 1;
    if (g_soundThreadUsers != 0 || !g_soundThread)
        return;
    PostThreadMessageA(g_soundThreadId, WM_SOUND_QUIT, 0, 0);
    WaitForSingleObject(g_soundThread, kStopWaitMilliseconds);
    CloseHandle(g_soundThread);
    g_soundThread = nullptr;
}
