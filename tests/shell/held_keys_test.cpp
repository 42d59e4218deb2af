// The judgement of presses and repeats of the keys that act once per press,
// fed the event sequences that a busy program reads from its queue.
#include <gtest/gtest.h>

#include "shell/held_keys.h"
#include "shell/input.h"

namespace {

struct HeldKeysTest : testing::Test
{
    HeldKeys keys = {};
    const int enter = HeldKeySlot(kKeyEnter);
    bool allUp[kHeldKeyCount] = {true, true, true, true};
    bool allDown[kHeldKeyCount] = {false, false, false, false};
};

} // namespace

// The game stopped while Enter is held: repeats and the release wait in the
// queue and are read after the key came up. Looks at the keyboard between
// them find it up, but events still waiting: none of the repeats is a press.
TEST_F(HeldKeysTest, RepeatsReadAfterTheReleaseAreStillRepeats)
{
    EXPECT_TRUE(KeyGoesDown(keys, enter, 1000));
    KeyboardLooked(keys, allDown, false);
    for (long time = 1700; time <= 1820; time += 40) {
        KeyboardLooked(keys, allUp, true);
        EXPECT_FALSE(KeyGoesDown(keys, enter, time)) << time;
    }
    // The last repeat and the release stamped with the same millisecond.
    EXPECT_FALSE(KeyGoesDown(keys, enter, 1850));
    KeyboardLooked(keys, allUp, true);
    KeyGoesUp(keys, enter);
    EXPECT_FALSE(AnyKeyHeld(keys));
    EXPECT_TRUE(KeyGoesDown(keys, enter, 1850)) << "the next press, in the same millisecond";
}

// The release went to another program: the keyboard, with nothing of ours
// waiting, ends the hold, and the next key-down is a press.
TEST_F(HeldKeysTest, AReleaseNoWindowOfOursSawEndsTheHoldOnceNothingWaits)
{
    int escape = HeldKeySlot(kKeyEscape);
    EXPECT_TRUE(KeyGoesDown(keys, escape, 1000));
    EXPECT_TRUE(KeyGoesDown(keys, enter, 1010));
    bool escapeUp[kHeldKeyCount] = {};
    escapeUp[escape] = true;
    KeyboardLooked(keys, escapeUp, false);
    EXPECT_TRUE(AnyKeyHeld(keys));
    EXPECT_FALSE(KeyGoesDown(keys, enter, 1500)) << "Enter is still down";
    EXPECT_TRUE(KeyGoesDown(keys, escape, 2000));
    // One press handled by two windows in turn.
    EXPECT_TRUE(KeyGoesDown(keys, escape, 2000));
    EXPECT_EQ(HeldKeySlot(kKeyLeft), -1);
}
