#include <gtest/gtest.h>

#include "foundation/startup_globals.h"
#include "tests/world/world_checks.h"
#include "world/random_generator.h"

TEST(RandomGenerator, TutorialSeedGivesTheKnownStream)
{
    CRandomGenerator rng = TutorialRng();
    EXPECT_EQ(rng.pool[0], 0xEA);
    EXPECT_EQ(rng.pool[1], 0xA9);
    EXPECT_EQ(rng.GetUInt32(), 0xEAA94C1Du);
    EXPECT_EQ(rng.GetUInt32(), 0x5DDEFCDFu);
    EXPECT_EQ(rng.GetUInt32(), 0x611F31E6u);

    CRandomGenerator fresh = TutorialRng();
    const uint32_t expected[8] = {3, 0, 2, 0, 4, 2, 2, 0};
    for (uint32_t value : expected)
        EXPECT_EQ(fresh.GetBelow(5), value);
}

TEST(RandomGenerator, CounterSeedingTakesAndAdvancesTheCounter)
{
    uint32_t saved = g_seedCounter;
    g_seedCounter = 1000;
    CRandomGenerator rng;
    SeedRandomGenerator(rng);
    EXPECT_EQ(g_seedCounter, 1001u);
    EXPECT_EQ(rng.GetUInt32(), 0x7683763Au);

    CRandomGenerator next;
    SeedRandomGenerator(next);
    EXPECT_NE(next.GetUInt32(), 0x7683763Au);

    SeedTutorialGenerator(next);
    EXPECT_EQ(g_seedCounter, 1002u) << "the tutorial leaves the counter alone";
    g_seedCounter = saved;
}

TEST(RandomGenerator, RefillFromStateZeroStartsAt2147483644)
{
    CRandomGenerator zero = {};
    zero.Refill();
    CRandomGenerator replaced = {};
    replaced.state = 2147483644;
    replaced.Refill();
    EXPECT_EQ(zero.state, replaced.state);
    EXPECT_EQ(0, memcmp(zero.pool, replaced.pool, sizeof zero.pool));
    EXPECT_NE(zero.state, 0);
}

TEST(RandomGenerator, NegativeUncorrectedStepXorsItsOwnBytes)
{
    // s = 44488 gives v = 48271 * 0 - 3399 * 1 = -3399 (0xFFFFF2B9).
    CRandomGenerator rng = {};
    rng.state = 44488;
    rng.Refill();
    EXPECT_EQ(rng.pool[0], 0xF2 ^ 0xFF);
    EXPECT_EQ(rng.pool[1], 0xB9 ^ 0xFF);
    // Continues from v + 2^31 - 1 = 2147480248: the rest of the pool is the
    // stream that state starts.
    CRandomGenerator next = {};
    next.state = 2147480248;
    next.Refill();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(rng.pool[2 + i], next.pool[i]);
}

TEST(RandomGenerator, RefillHappensBeforeTheThirdByteAtThePoolsEnd)
{
    CRandomGenerator rng = TutorialRng();
    rng.position = 1022;
    uint8_t last0 = rng.pool[1022];
    uint8_t last1 = rng.pool[1023];
    CRandomGenerator copy = rng;
    copy.Refill();
    uint32_t value = rng.GetUInt32();
    uint32_t expected = (uint32_t(last0) << 24) | (uint32_t(last1) << 16) | (uint32_t(copy.pool[0]) << 8) |
                        copy.pool[1];
    EXPECT_EQ(value, expected);
    EXPECT_EQ(rng.position, 2u);
}

TEST(RandomGenerator, DrawsConsumeFourBytesAndFiveForWideRanges)
{
    CRandomGenerator rng = TutorialRng();
    EXPECT_EQ(rng.GetBelow(1), 0u);
    EXPECT_EQ(rng.position, 4u);
    rng.GetBelow(65535);
    EXPECT_EQ(rng.position, 8u);
    rng.GetBelow(65536);
    EXPECT_EQ(rng.position, 13u);

    // The fifth byte mirrors the remainder when it is even.
    CRandomGenerator a = TutorialRng();
    uint32_t raw = a.GetUInt32() % 100000;
    bool even = (a.pool[a.position] & 1) == 0;
    CRandomGenerator b = TutorialRng();
    EXPECT_EQ(b.GetBelow(100000), even ? 100000 - 1 - raw : raw);
}

TEST(RandomGenerator, BelowZeroThrowsItsGuid)
{
    CRandomGenerator rng = TutorialRng();
    try
    {
        rng.GetBelow(0);
        FAIL() << "no throw";
    }
    catch (const char* guid)
    {
        EXPECT_STREQ(guid, "{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}");
    }
}

TEST(RandomGenerator, ShuffleDrawsOverTheWholeList)
{
    CBubble* one[1] = {reinterpret_cast<CBubble*>(0x10)};
    CRandomGenerator rng = TutorialRng();
    ShuffleBubbles(rng, one, 1);
    EXPECT_EQ(rng.position, 4u);
    EXPECT_EQ(one[0], reinterpret_cast<CBubble*>(0x10));

    ShuffleBubbles(rng, nullptr, 0);
    EXPECT_EQ(rng.position, 4u) << "nothing drawn for an empty list";

    // Three entries: each step swaps i with a draw over all three.
    CBubble* list[3];
    CBubble* original[3];
    for (int i = 0; i < 3; ++i)
        list[i] = original[i] = reinterpret_cast<CBubble*>(uintptr_t(0x100 * (i + 1)));
    CRandomGenerator shuffler = TutorialRng();
    CRandomGenerator draws = TutorialRng();
    CBubble* expected[3] = {original[0], original[1], original[2]};
    for (int i = 0; i < 3; ++i)
        std::swap(expected[i], expected[draws.GetBelow(3)]);
    ShuffleBubbles(shuffler, list, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list[i], expected[i]);
}
