// The sounds that the simulation asked for during a frame's step become play
// messages for the sound thread: at most one per sound and frame.
#include "audio/sound_data.h"
#include "audio/sound_thread.h"
#include "world/bubble_world.h"
#include "world/world_assets.h"

namespace {

const LPARAM kEffectsChannel = 1;
const LPARAM kBounceChannel = 2;

void PlayIfPending(uint8_t* pending, CSoundData* sound, LPARAM channel)
{
    if (*pending)
        PostSoundMessage(WM_SOUND_PLAY, sound, channel);
    *pending = 0;
}

} // namespace

void CBubbleWorld::PlayPendingSounds()
{
    const WorldAssets& a = AssetsOf(*this);
    PlayIfPending(&starPending, a.starSound, kEffectsChannel);
    PlayIfPending(&popPending, a.popSound, kEffectsChannel);
    PlayIfPending(&firePending, a.fireSound, kEffectsChannel);
    PlayIfPending(&bouncePending, a.bounceSound, kBounceChannel);
}
