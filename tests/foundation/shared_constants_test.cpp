#include <gtest/gtest.h>

#include <cmath>

#include "foundation/shared_constants.h"
#include "foundation/startup_globals.h"

TEST(SharedConstants, Reciprocals)
{
    EXPECT_TRUE(std::isinf(g_reciprocal[0]) && g_reciprocal[0] > 0);
    EXPECT_EQ(g_reciprocal[1], 1.0);
    for (int n = 2; n < 20; ++n)
        EXPECT_EQ(g_reciprocal[n], 1.0 / n) << n;
}

TEST(SharedConstants, AnglesComeFromTheRuntime)
{
    volatile double sixty = 1.0471975511965976;
    EXPECT_EQ(g_sin60, std::sin(sixty));
    EXPECT_NEAR(g_sin60, 0.8660254037844386, 1e-16);
    EXPECT_NE(g_cos90, 0.0); // not rounded to zero: about 6.12e-17
    EXPECT_NEAR(g_cos90, 6.123233995736766e-17, 1e-30);
    EXPECT_EQ(g_cos0, 1.0);
    EXPECT_EQ(g_sin0, 0.0);
    EXPECT_NEAR(g_sin30, 0.5, 1e-15);
    EXPECT_NEAR(g_cos45, g_sin45, 1e-15);
}

TEST(StartupGlobals, SeedCounterStartsAtTheTime)
{
    uint32_t now = static_cast<uint32_t>(static_cast<uint64_t>(time(nullptr)));
    // The counter may have advanced if something seeded already; never past now by much.
    EXPECT_LE(now - g_seedCounter, 60u);
}
