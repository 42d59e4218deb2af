#include "screens/level_play.h"

#include <cstring>
#include <memory>

#include "audio/sound_thread.h"
#include "screens/menu/game_menus.h"
#include "screens/screen_loop.h"
#include "shell/input.h"
#include "shell/settings.h"
#include "world/bubble_world.h"
#include "world/play_session.h"

namespace {

struct LevelScreen
{
    CBubbleWorld world;
    CRandomGenerator rng;
};

bool g_pauseShown = false;

// Sound is off for exactly as long as the menu is up, whatever its answer.
void Pause(CBubbleWorld& world)
{
    // A close request that reaches the window behind the menu opens no second
    // one, and a level that has ended, still current until its loop sees
    // that, opens none at all.
    if (g_pauseShown || world.state >= kWorldFinalStates)
        return;
    g_pauseShown = true;
    PostSoundMessage(WM_SOUND_DISABLE, nullptr, 0);
    bool resume = ShowPauseMenu();
    g_pauseShown = false;
    if (!resume)
        world.state = kWorldAborted;
    DropHeldInput(world);
    PostSoundMessage(WM_SOUND_ENABLE, nullptr, 0);
}

int32_t KeyCode(void* data)
{
    return *static_cast<int32_t*>(data);
}

int32_t UpperCase(int32_t key)
{
    return key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key;
}

// The settings store a key as the key button saw it go down, a letter in
// upper case; a hand-edited store may hold a letter in lower case.
bool IsBoundKey(int32_t key, int32_t bound)
{
    return UpperCase(key) == UpperCase(bound);
}

bool LevelEnded(void* context)
{
    return static_cast<LevelScreen*>(context)->world.state >= kWorldFinalStates;
}

void UpdateLevel(void* context, double seconds)
{
    auto* screen = static_cast<LevelScreen*>(context);
    screen->world.Step(screen->rng, seconds);
}

void DrawLevel(void* context)
{
    static_cast<LevelScreen*>(context)->world.Draw();
}

void ResumeLevel(void* context)
{
    DropHeldInput(static_cast<LevelScreen*>(context)->world);
}

// Releases what the level holds once its loop is over, also when an error
// unwinds it: the broad phase first, then the pictures, sounds and capture.
struct LevelRelease
{
    CBubbleWorld& world;

    ~LevelRelease()
    {
        delete world.broadPhase;
        world.broadPhase = nullptr;
        world.UnloadAssets();
    }
};

} // namespace

void DropHeldInput(CBubbleWorld& world)
{
    world.leftHeld = 0;
    world.rightHeld = 0;
    world.dropHeld = 0;
    world.escapeDown = 0;
    world.mouseDelta = 0;
}

void OnDropperInput(CBubbleWorld& world, int32_t code, void* data)
{
    switch (code) {
    case InputMouseDelta:
        world.mouseDelta += static_cast<InputDelta*>(data)->dx;
        break;
    case InputLeftDown:
        world.dropRequested = 1;
        break;
    case InputKeyDown:
        // Not the character: Num Pad 5, Num Pad Enter or F5 make none of
        // their own code, Shift none at all. Held, the key drops again once
        // the next bubble is in, also where the keyboard repeats no key-down
        // (Shift, Ctrl).
        if (IsBoundKey(KeyCode(data), g_settings.fireKey)) {
            world.dropRequested = 1;
            world.dropHeld = 1;
        }
        if (IsBoundKey(KeyCode(data), g_settings.leftKey))
            world.leftHeld = 1;
        if (IsBoundKey(KeyCode(data), g_settings.rightKey))
            world.rightHeld = 1;
        break;
    case InputKeyUp:
        if (IsBoundKey(KeyCode(data), g_settings.fireKey))
            world.dropHeld = 0;
        if (IsBoundKey(KeyCode(data), g_settings.leftKey))
            world.leftHeld = 0;
        if (IsBoundKey(KeyCode(data), g_settings.rightKey))
            world.rightHeld = 0;
        break;
    default:
        break;
    }
}

void CBubbleWorld::OnInput(void* context, int32_t code, void* data)
{
    auto* world = static_cast<CBubbleWorld*>(context);
    OnDropperInput(*world, code, data);
    if (code == InputKeyDown && KeyCode(data) == kKeyEscape)
        world->escapeDown = 1;
    // Only the release of a press the level saw: the Escape that closed a
    // menu, or that left the screen before, comes up here too.
    if (code == InputKeyUp && KeyCode(data) == kKeyEscape && world->escapeDown) {
        world->escapeDown = 0;
        Pause(*world);
    }
    if (code == InputClose)
        Pause(*world);
}

bool RunLevel(PlaySession* session)
{
    // Far too large for the stack: one heap record for the level's lifetime.
    std::unique_ptr<LevelScreen> screen(new LevelScreen);
    SeedRandomGenerator(screen->rng);
    CBubbleWorld& world = screen->world;
    std::memset(&world, 0, sizeof world);
    world.BuildLevel(screen->rng, *session);
    world.LoadAssets(session);
    {
        LevelRelease release{world};
        ScreenSteps steps{};
        steps.context = screen.get();
        steps.onInput = CBubbleWorld::OnInput;
        steps.inputContext = &world;
        steps.ended = LevelEnded;
        steps.update = UpdateLevel;
        steps.draw = DrawLevel;
        steps.resumed = ResumeLevel;
        RunScreenLoop(kInputFirst, steps);
    }
    session->levelTime = int32_t(world.clock);
    return world.state == kWorldWon;
}
