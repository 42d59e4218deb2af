#include <gtest/gtest.h>

#include <cstring>

#include "shell/display_mode.h"
#include "shell/game_window.h"
#include "shell/graphics.h"

namespace {

struct ClockTest : testing::Test
{
    CGameGraphics g;
    uint32_t now = 1000000;

    ClockTest() { std::memset(&g, 0, sizeof g); }

    // One present `gap` ms after the last one.
    void Present(uint32_t gap)
    {
        now += gap;
        AdvanceFrameClock(&g, now);
    }

    // Runs the warm-up with 16 ms frames after the first, pausing present.
    void WarmUp()
    {
        Present(10000);
        for (int i = 0; i < 19; ++i)
            Present(16);
    }
};

} // namespace

TEST_F(ClockTest, PauseRuleAtExactlyFiveSeconds)
{
    g.lastFrameTime = now;
    Present(5000);
    EXPECT_EQ(g.frameStep, 0u);
    EXPECT_EQ(g.frameCount, 0u);
    EXPECT_EQ(g.lastFrameTime, now);
    Present(4999);
    EXPECT_EQ(g.frameStep, 1000u);
    EXPECT_EQ(g.frameCount, 1u);
    EXPECT_EQ(g.clampedTotal, 1000u);
}

TEST_F(ClockTest, GapsAboveOneSecondAreClamped)
{
    g.lastFrameTime = now;
    Present(1000);
    EXPECT_EQ(g.frameStep, 1000u);
    Present(1001);
    EXPECT_EQ(g.frameStep, 1000u);
    EXPECT_EQ(g.clampedTotal, 2000u);
    EXPECT_EQ(g.gameClock, 2000u);
}

TEST_F(ClockTest, WarmUpUsesTheGapUntilFrameNineteen)
{
    g.lastFrameTime = now;
    for (uint32_t frame = 1; frame <= 19; ++frame) {
        Present(frame);
        EXPECT_EQ(g.frameStep, frame);
        EXPECT_EQ(g.gameClock, g.clampedTotal);
        EXPECT_DOUBLE_EQ(g.averageFrameTime, double(g.clampedTotal) / frame);
    }
    EXPECT_EQ(g.clampedTotal, 190u);
    // Frame 20 is smoothed: 0.2 * 40 + 0.8 * 10 = 16.
    Present(40);
    EXPECT_DOUBLE_EQ(g.averageFrameTime, 16.0);
    // The total (230) is far above the clock (190 + 16): one ms more.
    EXPECT_EQ(g.frameStep, 17u);
    EXPECT_EQ(g.gameClock, 207u);
}

TEST_F(ClockTest, SmoothedStepMovesOneMillisecondTowardTheTotal)
{
    WarmUp();
    // A 16 ms frame on an average of 16.625 gives 16.5, rounded to 17; the
    // total grows by the 16 ms first.
    auto stepWith = [&](uint32_t totalAfter) {
        g.averageFrameTime = 16.625;
        g.gameClock = 1000;
        g.clampedTotal = totalAfter - 16;
        Present(16);
        EXPECT_DOUBLE_EQ(g.averageFrameTime, 16.5);
        return g.frameStep;
    };
    EXPECT_EQ(stepWith(1017), 17u); // clock + 17 meets the total
    EXPECT_EQ(stepWith(1018), 18u); // below it
    EXPECT_EQ(stepWith(1016), 16u); // above it
    EXPECT_EQ(g.gameClock, 1016u);
}

TEST_F(ClockTest, ARoundedStepOfZeroIsNeverLowered)
{
    WarmUp();
    g.averageFrameTime = 0;
    g.gameClock = 5000;
    g.clampedTotal = 0;
    Present(0);
    EXPECT_EQ(g.frameStep, 0u);
    EXPECT_EQ(g.gameClock, 5000u);
}

TEST_F(ClockTest, APauseRestartsTheGapButNotTheWarmUp)
{
    WarmUp();
    uint32_t frames = g.frameCount, clock = g.gameClock;
    Present(6000);
    EXPECT_EQ(g.frameStep, 0u);
    EXPECT_EQ(g.frameCount, frames);
    EXPECT_EQ(g.gameClock, clock);
    // Measured from the present that found the pause.
    Present(20);
    EXPECT_EQ(g.frameCount, frames + 1);
    EXPECT_GE(g.frameStep, 16u);
    EXPECT_LE(g.frameStep, 18u);
}

TEST_F(ClockTest, TheClockWrapsAroundModulo32Bits)
{
    g.lastFrameTime = 0xFFFFFFF0u;
    now = 0xFFFFFFF0u;
    Present(32); // now wraps to 0x10
    EXPECT_EQ(g.lastFrameTime, 0x10u);
    EXPECT_EQ(g.frameStep, 32u);
    // A clock that went backwards looks like a long pause.
    now -= 100;
    AdvanceFrameClock(&g, now);
    EXPECT_EQ(g.frameStep, 0u);
}

namespace {

struct Received
{
    int calls = 0;
    int32_t code = -1;
    int32_t key = 0;
};

void Record(void* context, int32_t code, void* data)
{
    auto* received = static_cast<Received*>(context);
    received->calls += 1;
    received->code = code;
    if (data)
        received->key = *static_cast<int32_t*>(data);
}

struct HandlerTest : testing::Test
{
    CGameGraphics g;

    HandlerTest()
    {
        std::memset(&g, 0, sizeof g);
        g_graphics = &g;
    }
    ~HandlerTest() override
    {
        g_inputHandlers.clear();
        g_graphics = nullptr;
    }
};

} // namespace

TEST_F(HandlerTest, TheLastPushedHandlerGetsTheInput)
{
    Received first, second;
    PushInputHandler(Record, &first);
    PushInputHandler(Record, &second);
    int32_t key = 32;
    SendInput(InputChar, &key);
    EXPECT_EQ(first.calls, 0);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(second.code, InputChar);
    EXPECT_EQ(second.key, 32);

    PopInputHandler();
    EXPECT_EQ(g.inputContext, &first);
    SendInput(InputKeyUp, &key);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.code, InputKeyUp);
}

TEST_F(HandlerTest, WithNoHandlerInputIsDroppedAndPoppingTooFarIsHarmless)
{
    Received only;
    PushInputHandler(Record, &only);
    PopInputHandler();
    EXPECT_EQ(g.inputCallback, nullptr);
    EXPECT_EQ(g.inputContext, nullptr);
    SendInput(InputClose, nullptr);
    EXPECT_EQ(only.calls, 0);
    PopInputHandler();
    EXPECT_TRUE(g_inputHandlers.empty());
    EXPECT_EQ(g.inputCallback, nullptr);
}

TEST_F(HandlerTest, WithoutTheRecordNothingIsSentOrAsked)
{
    Received only;
    PushInputHandler(Record, &only);
    g.quitRequested = 1;
    EXPECT_TRUE(IsQuitRequested());
    g_graphics = nullptr;
    SendInput(InputClose, nullptr);
    EXPECT_EQ(only.calls, 0);
    EXPECT_FALSE(IsQuitRequested());
    SetGameActive(false); // no record: nothing happens, nothing crashes
}

TEST(Curtain, LevelFallsFrom254ToZeroAndStaysInRange)
{
    EXPECT_EQ(CurtainLevel(510), 254);
    EXPECT_EQ(CurtainLevel(256), 191);
    EXPECT_EQ(CurtainLevel(0), 0);
    int last = 255;
    for (int remaining = 510; remaining >= 0; --remaining) {
        int level = CurtainLevel(remaining);
        EXPECT_LE(level, last);
        last = level;
    }
    // Far outside the fade, as a jumping clock would give.
    for (int64_t remaining : {int64_t(-1000), int64_t(511), int64_t(3600000), INT64_MAX / 2})
        EXPECT_GE(CurtainLevel(remaining), 0) << remaining;
    EXPECT_LE(CurtainLevel(512), 254);
}
