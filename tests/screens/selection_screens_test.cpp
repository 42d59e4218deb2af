// The stage and level selection screens on the test display: their
// captions, locks and greyed pictures, the input rules of their keys and
// buttons, the wheel's turn, whole runs driven from inside their loops,
// and what they draw where.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "screens/level_select_screen.h"
#include "screens/selection_screen.h"
#include "screens/stage_select_screen.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "world/play_session.h"
#include "tests/screens/screen_script.h"
#include "tests/support/gui_test_support.h"
#include "tests/world/play_view_checks.h"

namespace {

std::string Caption(uint32_t stage, uint32_t level, uint32_t maximumLevel,
                    const int32_t* bestTimes)
{
    std::string text;
    const char* caption = LevelCaption(text, stage, level, maximumLevel, bestTimes);
    return caption ? caption : "(none)";
}

std::string Caption(uint32_t stage, uint32_t maximumLevel)
{
    std::string text;
    return StageCaption(text, stage, maximumLevel);
}

bool IsGrey(const RGBABitmap* image)
{
    for (int i = 0; i < image->width * image->height; ++i) {
        const uint8_t* p = image->data + 4 * i;
        if (p[0] != p[1] || p[1] != p[2])
            return false;
    }
    return true;
}

struct Selection : testing::Test
{
    static void SetUpTestSuite() { OpenGameWindow(); }
    static void TearDownTestSuite() { CloseGameWindow(); }

    Selection()
    {
        g_graphics->active = 1;
        g_graphics->quitRequested = 0;
        g_graphics->stage->MakeCurrent();
    }
};

// The screens' records, loaded as their screens load them.
struct LevelRecord : Selection
{
    CLevelSelectScreen s{};
    int32_t bestTimes[40] = {};

    void Load(uint32_t stage, uint32_t level, uint32_t maximumLevel)
    {
        s.stage = stage;
        s.current = level;
        s.maximumLevel = maximumLevel;
        s.bestTimes = bestTimes;
        s.Load();
        s.Update(0); // settles the permissions
    }

    ~LevelRecord() override { s.Unload(); }

    void Send(int32_t code, int32_t key) { CLevelSelectScreen::OnInput(&s, code, &key); }

    void Press(int32_t key)
    {
        Send(InputKeyDown, key);
        Send(InputChar, key);
        Send(InputKeyUp, key);
    }

    // The mouse at a stage point (y up), sent as the canvas reports it.
    void Mouse(int32_t code, int32_t x, int32_t y)
    {
        InputPoint p{x, g_graphics->height - y};
        if (code == InputMousePos)
            p = InputPoint{x + g_graphics->stageX, g_graphics->height - y + g_graphics->stageY};
        CLevelSelectScreen::OnInput(&s, code, &p);
    }

    void Click(const ScreenButton& b)
    {
        Mouse(InputLeftDown, b.x0 + 1, b.y0 + 1);
        Mouse(InputLeftUp, b.x0 + 1, b.y0 + 1);
    }

    // Takes the requests made so far and finishes the turn they start.
    void Settle()
    {
        s.Update(0);
        for (int i = 0; i < 10 && s.current != s.target; ++i)
            s.Update(0.1);
        s.Update(0);
    }
};

struct StageRecord : Selection
{
    CStageSelectScreen s{};

    ~StageRecord() override { s.Unload(); }
};

} // namespace

TEST(SelectionCaptions, LevelsAreLockedTimedOrNextToPlay)
{
    int32_t times[40] = {};
    EXPECT_EQ(Caption(0, 0, 0, times), "(none)");
    for (uint32_t level = 1; level < 10; ++level)
        EXPECT_EQ(Caption(0, level, 0, times),
                  "Complete Level " + std::to_string(level) + " First");
    times[10] = 0;
    times[11] = 600;
    times[12] = 75;
    times[13] = -30; // a hand-edited store: no time
    times[14] = 3599;
    EXPECT_EQ(Caption(1, 0, 16, times), "Best Time: --unavailable--");
    EXPECT_EQ(Caption(1, 1, 16, times), "Best Time: 10:00");
    EXPECT_EQ(Caption(1, 2, 16, times), "Best Time: 1:15");
    EXPECT_EQ(Caption(1, 3, 16, times), "Best Time: --unavailable--");
    EXPECT_EQ(Caption(1, 4, 16, times), "Best Time: 59:59");
    EXPECT_EQ(Caption(1, 5, 16, nullptr), "Best Time: --unavailable--");
    EXPECT_EQ(Caption(1, 6, 16, times), "(none)");
    EXPECT_EQ(Caption(1, 7, 16, times), "Complete Level 7 First");
    EXPECT_EQ(Caption(3, 9, 40, times), "Best Time: --unavailable--");
}

TEST(SelectionCaptions, StagesShowTheirProgress)
{
    EXPECT_EQ(Caption(0, 0), "Completed 0 of 10 Levels");
    EXPECT_EQ(Caption(1, 0), "Complete Stage 1 First");
    EXPECT_EQ(Caption(2, 0), "Complete Stage 2 First");
    EXPECT_EQ(Caption(3, 0), "Complete Stage 3 First");
    for (uint32_t stage = 0; stage < 4; ++stage)
        EXPECT_EQ(Caption(stage, 40), "Completed All Levels");
    EXPECT_EQ(Caption(0, 25), "Completed All Levels");
    EXPECT_EQ(Caption(1, 25), "Completed All Levels");
    EXPECT_EQ(Caption(2, 25), "Completed 5 of 10 Levels");
    EXPECT_EQ(Caption(3, 25), "Complete Stage 3 First");
}

TEST_F(StageRecord, OnAFreshStoreStageOneIsOpenAndTheOthersGrey)
{
    s.Load();
    ASSERT_NE(s.stageStrip, nullptr);
    ASSERT_EQ(s.stageStrip->frames.size(), 5u);
    for (uint32_t k = 0; k < 5; ++k) {
        const RGBABitmap* frame = s.stageStrip->frames[k];
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->width, 256);
        EXPECT_EQ(frame->height, 128);
        EXPECT_EQ(IsGrey(frame), k >= 2) << "stage frame " << k;
        EXPECT_TRUE(s.stageTextures[k] && s.stageTextures[k]->valid);
    }
    EXPECT_EQ(s.captionImages[0], nullptr); // the tutorial has none
    for (uint32_t k = 1; k < 5; ++k) {
        ASSERT_NE(s.captionImages[k], nullptr);
        EXPECT_EQ(s.captionImages[k]->width, 512);
        EXPECT_EQ(s.captionImages[k]->height, 32);
        EXPECT_FALSE(s.captionTextures[k]->hasAlpha);
    }
    for (const RGBABitmap* button : {s.continueImage, s.abortImage}) {
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->width, 256);
        EXPECT_EQ(button->height, 64);
    }
    EXPECT_TRUE(s.continueTexture->hasAlpha);
    ASSERT_EQ(s.arrowStrip->frames.size(), 2u);
    EXPECT_EQ(s.arrowStrip->frames[1]->width, 64);

    // Settled on the tutorial: selectable, only the right turn.
    s.Update(0);
    EXPECT_TRUE(s.selectable);
    EXPECT_FALSE(s.canLeft);
    EXPECT_TRUE(s.canRight);
    for (uint32_t item : {1u, 2u, 4u}) {
        s.current = s.target = item;
        s.Update(0);
        EXPECT_EQ(s.selectable, item == 1) << item;
        EXPECT_EQ(s.canRight, item != 4) << item;
        EXPECT_EQ(s.continueButton.enabled, s.selectable);
    }
}

TEST_F(LevelRecord, LockedLevelsAreGreyAndCaptionedTheNextHasNone)
{
    bestTimes[10] = 95;
    Load(1, 3, 12);
    EXPECT_FALSE(IsGrey(s.pictureImage));
    EXPECT_TRUE(IsGrey(s.greyPictureImage));
    EXPECT_EQ(s.pictureImage->width, 256);
    EXPECT_EQ(s.pictureImage->height, 128);
    EXPECT_NE(s.numbersImage, nullptr);
    EXPECT_NE(s.levelLabelImage, nullptr);
    for (uint32_t i = 0; i < 10; ++i) {
        if (i == 2) {
            EXPECT_EQ(s.captionImages[i], nullptr);
            continue;
        }
        ASSERT_NE(s.captionImages[i], nullptr) << i;
        EXPECT_EQ(s.captionImages[i]->width, 512);
        EXPECT_EQ(s.captionImages[i]->height, 32);
    }
    // A locked starting level shows its caption and cannot be played.
    EXPECT_FALSE(s.canPlay);
    EXPECT_FALSE(s.continueButton.enabled);
    s.current = s.target = 2;
    s.Update(0);
    EXPECT_TRUE(s.canPlay);
}

TEST_F(LevelRecord, KeysTurnOneLevelPerTurnAndRepeatsDuringATurnAreDropped)
{
    Load(0, 0, 40);
    EXPECT_FALSE(s.canLeft); // at level 1 the left button is dimmed
    EXPECT_FALSE(s.leftButton.enabled);
    Send(InputChar, kKeyLeft);
    s.Update(0);
    EXPECT_EQ(s.target, 0u);

    Send(InputChar, kKeyRight);
    Send(InputChar, kKeyLeft); // right wins in one frame
    s.Update(0.1);
    EXPECT_EQ(s.target, 1u);
    EXPECT_FALSE(s.canPlay || s.canLeft || s.canRight);
    s.Update(0.125); // a quarter of the half-second turn
    EXPECT_DOUBLE_EQ(s.moveProgress, 0.25);
    EXPECT_NEAR(s.scroll, (0.25 * 0.25 * 2.5) / 9, 1e-12); // eased
    Send(InputChar, kKeyRight); // auto-repeat while turning: dropped
    s.Update(0.125);
    s.Update(0.25);
    EXPECT_EQ(s.current, 1u);
    EXPECT_EQ(s.target, 1u);
    EXPECT_DOUBLE_EQ(s.scroll, 1 / 9.0);
    EXPECT_TRUE(s.canPlay && s.canLeft && s.canRight);

    s.current = s.target = 9; // at level 10 the right button is dimmed
    s.Update(0);
    EXPECT_FALSE(s.rightButton.enabled);
    Click(s.rightButton);
    s.Update(0);
    EXPECT_EQ(s.target, 9u);
}

TEST_F(LevelRecord, EnterAndEscapeCountOnlyWhenPressedOnThisScreen)
{
    Load(0, 0, 0);
    // Released here after being pressed on the screen before: nothing.
    Send(InputKeyUp, kKeyEnter);
    Send(InputKeyUp, kKeyEscape);
    s.Update(0);
    EXPECT_FALSE(s.done);
    Send(InputKeyDown, kKeyPadEnter);
    s.Update(0);
    EXPECT_FALSE(s.done); // held: nothing yet
    Send(InputKeyUp, kKeyPadEnter);
    s.Update(0);
    EXPECT_TRUE(s.done);
    EXPECT_TRUE(s.play);

    // Escape aborts; a confirm in the same frame wins.
    s.done = s.play = 0;
    Send(InputKeyDown, kKeyEscape);
    Send(InputKeyUp, kKeyEscape);
    s.Update(0);
    EXPECT_TRUE(s.done);
    EXPECT_FALSE(s.play);
    s.done = 0;
    Press(kKeyEscape);
    Press(kKeyEnter);
    s.Update(0);
    EXPECT_TRUE(s.done);
    EXPECT_TRUE(s.play);
}

TEST_F(LevelRecord, ACloseRequestAbortsAndAsksToQuitEvenWithAStrayRelease)
{
    Load(0, 0, 0);
    CLevelSelectScreen::OnInput(&s, InputClose, nullptr);
    Send(InputKeyUp, kKeyEscape); // never pressed here
    EXPECT_TRUE(IsQuitRequested());
    s.Update(0);
    EXPECT_TRUE(s.done);
    EXPECT_FALSE(s.play);
}

TEST_F(LevelRecord, ButtonsActOnAReleaseOverTheButtonPressed)
{
    Load(0, 4, 40);
    // Right and left by click.
    Click(s.rightButton);
    s.Update(0);
    EXPECT_EQ(s.target, 5u);
    EXPECT_FALSE(s.continueButton.enabled);
    // Continue is disabled while turning: a press and a release do nothing.
    Click(s.continueButton);
    EXPECT_FALSE(s.continueButton.pressed);
    Settle();
    Click(s.leftButton);
    Settle();
    EXPECT_EQ(s.current, 4u);

    // Pressed on one, released over another: nothing, and the first springs back.
    Mouse(InputLeftDown, s.abortButton.x0 + 2, s.abortButton.y0 + 2);
    EXPECT_TRUE(s.abortButton.pressed);
    EXPECT_EQ(s.capturedButton, &s.abortButton);
    Mouse(InputMousePos, s.continueButton.x0 + 2, s.continueButton.y0 + 2);
    EXPECT_FALSE(s.abortButton.pressed); // dragged off
    Mouse(InputMousePos, s.abortButton.x1 - 1, s.abortButton.y1 - 1);
    EXPECT_TRUE(s.abortButton.pressed); // and back on
    Mouse(InputMousePos, s.abortButton.x1, s.abortButton.y1 - 1); // x1 is outside
    EXPECT_FALSE(s.abortButton.pressed);
    Mouse(InputLeftUp, s.continueButton.x0 + 2, s.continueButton.y0 + 2);
    EXPECT_FALSE(s.abortButton.pressed);
    EXPECT_EQ(s.capturedButton, nullptr);
    s.Update(0);
    EXPECT_FALSE(s.done);

    // Outside every button: nothing to press.
    Mouse(InputLeftDown, 2, 2);
    EXPECT_EQ(s.capturedButton, nullptr);

    // A click on Continue confirms, on Abort aborts.
    Click(s.continueButton);
    s.Update(0);
    EXPECT_TRUE(s.done && s.play);
    s.done = s.play = 0;
    Click(s.abortButton);
    s.Update(0);
    EXPECT_TRUE(s.done);
    EXPECT_FALSE(s.play);
}

TEST(SelectionGeometry, ButtonsStandBelowTheWheelInTheCentredSquare)
{
    ScreenButton left{}, right{}, confirm{}, abort{};
    SelectionGeometry g = SelectionGeometryOf(1280, 720);
    EXPECT_EQ(g.u, 36);
    EXPECT_EQ(g.base, 0);
    PlaceSelectionButtons(g, &left, &right, &confirm, &abort);
    EXPECT_EQ(left.x0, 640 - 183);
    EXPECT_EQ(left.y0, 93);
    EXPECT_EQ(left.x1 - left.x0, 36);
    EXPECT_EQ(right.x0, 640 + 147);
    EXPECT_EQ(confirm.x0, 643);
    EXPECT_EQ(confirm.y0, 50);
    EXPECT_EQ(confirm.x1 - confirm.x0, 144);
    EXPECT_EQ(abort.x0, 640 - 147);
    EXPECT_EQ(abort.x1, 637);
    EXPECT_EQ(abort.keyCode, kKeyEscape);
    EXPECT_EQ(confirm.keyCode, kKeyEnter);
    EXPECT_EQ(left.keyCode, kKeyLeft);
    EXPECT_EQ(right.keyCode, kKeyRight);

    // A tall stage centres the square vertically.
    g = SelectionGeometryOf(600, 1000);
    EXPECT_EQ(g.m, 600);
    EXPECT_EQ(g.base, 200);
    EXPECT_EQ(g.cy, 500);
}

namespace {

// The quads that draw the settled screen's caption and front picture.
Quad CaptionQuad(const RGBABitmap* caption)
{
    SelectionGeometry g = CurrentSelectionGeometry();
    int32_t half = 41 * g.u / 10;
    double c = g.base + 31 * g.u / 10, r = half / 16.0;
    return Quad{caption, false, Translation(0, 0), double(g.cx - half), c - r,
                double(g.cx + half), c + r, 1, 1, 0, 0, {1, 1, 1, 1}};
}

wxRect StageRect(double x0, double y0, double x1, double y1)
{
    int h = g_graphics->height;
    return wxRect(wxPoint(int(x0) + 1, h - int(y1) + 1), wxPoint(int(x1) - 2, h - int(y0) - 2));
}

} // namespace

TEST_F(Selection, TheStageWheelOpensOnTheTutorialAndWritesBackTheItemItEndsOn)
{
    PlaySession session{};
    Script script(CStageSelectScreen::OnInput);
    // Released after a press on the screen before: no confirm here.
    script.Add("opened", [] { return After(3); }, [] { Key(InputKeyUp, kKeyEnter); });
    script.Add("settled on the tutorial", [] { return After(3); }, [] {
        auto& s = Running<CStageSelectScreen>();
        EXPECT_FALSE(s.done);
        EXPECT_EQ(s.current, 0u);
        Press(kKeyRight);
    });
    script.Add("turned to stage 1", [] { return Running<CStageSelectScreen>().current == 1; },
               [] {});
    script.Add("drawn", [] { return After(3); }, [] {
        auto& s = Running<CStageSelectScreen>();
        SaveScreenShot("stage-wheel");
        wxImage shot = CaptureStage();
        // The caption strip and the front stage where they belong.
        Quad caption = CaptionQuad(s.captionImages[1]);
        EXPECT_GT(MatchingShare(shot, {caption}, StageRect(caption.x0, caption.y0, caption.x1,
                                                           caption.y1)),
                  0.97);
        SelectionGeometry g = CurrentSelectionGeometry();
        double m = g.m, y = g.cy - 0.175 * m;
        Quad front{s.stageStrip->frames[1], true, Translation(0, 0), g.cx - 0.175 * m,
                   y - 0.0875 * m, g.cx + 0.175 * m, y + 0.0875 * m, 1, 1, 0, 0, {1, 1, 1, 1}};
        EXPECT_GT(MatchingShare(shot, {front}, StageRect(front.x0, front.y0, front.x1, front.y1)),
                  0.97);
        // Turning toward stage 2, Escape writes back the item the turn started from.
        Press(kKeyRight);
    });
    script.Add("turning", [] { return Running<CStageSelectScreen>().target == 2; },
               [] { Press(kKeyEscape); });
    script.Start(10);
    EXPECT_FALSE(RunStageSelectScreen(&session));
    script.Stop();
    EXPECT_EQ(script.stalled, "");
    EXPECT_EQ(session.stage, 0u);
    EXPECT_EQ(session.tutorialRequested, 0);
    EXPECT_FALSE(IsQuitRequested());
    EXPECT_EQ(g_graphics->inputCallback, nullptr);
}

TEST_F(Selection, TheStageWheelStartsOnTheSessionsStageOnceTheTutorialWasSeen)
{
    PlaySession session{};
    session.tutorialRun = 1;
    session.stage = 2;
    session.maximumLevel = 25;
    Script script(CStageSelectScreen::OnInput);
    script.Add("opened", [] { return After(2); }, [] {
        auto& s = Running<CStageSelectScreen>();
        EXPECT_EQ(s.current, 3u);
        EXPECT_TRUE(s.selectable);
        Press(kKeyEnter);
    });
    script.Start(10);
    EXPECT_TRUE(RunStageSelectScreen(&session));
    EXPECT_EQ(session.stage, 2u);
    EXPECT_EQ(session.tutorialRequested, 0);

    // A locked stage cannot be confirmed; the tutorial always can.
    session.stage = 3;
    Script locked(CStageSelectScreen::OnInput);
    locked.Add("opened", [] { return After(2); }, [] { Press(kKeyEnter); });
    locked.Add("refused", [] { return After(3); }, [] {
        EXPECT_FALSE(Running<CStageSelectScreen>().done);
        for (int i = 0; i < 4; ++i)
            Press(kKeyLeft);
    });
    locked.Add("back to the tutorial", [] { return Running<CStageSelectScreen>().current == 3; },
               [] { Press(kKeyLeft); });
    locked.Add("tutorial", [] { return Running<CStageSelectScreen>().current == 2; },
               [] { Press(kKeyLeft); });
    locked.Add("tutorial", [] { return Running<CStageSelectScreen>().current == 1; },
               [] { Press(kKeyLeft); });
    locked.Add("tutorial", [] { return Running<CStageSelectScreen>().current == 0; },
               [] { Press(kKeyEnter); });
    locked.Start(10);
    EXPECT_TRUE(RunStageSelectScreen(&session));
    locked.Stop();
    EXPECT_EQ(locked.stalled, "");
    EXPECT_EQ(session.stage, 0u);
    EXPECT_EQ(session.tutorialRequested, 1);
}

TEST_F(Selection, TheLevelWheelShowsBestTimesAndPlaysTheChosenLevel)
{
    int32_t times[40] = {};
    times[20] = 75;
    PlaySession session{};
    session.stage = 2;
    session.level = 2;
    session.maximumLevel = 22;
    session.bestTimes = times;
    Script script(CLevelSelectScreen::OnInput);
    script.Add("opened", [] { return After(3); }, [] {
        EXPECT_EQ(Running<CLevelSelectScreen>().current, 2u);
        EXPECT_EQ(Running<CLevelSelectScreen>().captionImages[2], nullptr);
        Press(kKeyLeft);
    });
    script.Add("turning", [] { return Running<CLevelSelectScreen>().current == 1; },
               [] { Press(kKeyLeft); });
    script.Add("at level 1", [] { return Running<CLevelSelectScreen>().current == 0; }, [] {});
    script.Add("drawn", [] { return After(3); }, [] {
        auto& s = Running<CLevelSelectScreen>();
        SaveScreenShot("level-wheel");
        Quad caption = CaptionQuad(s.captionImages[0]);
        EXPECT_GT(MatchingShare(CaptureStage(), {caption},
                                StageRect(caption.x0, caption.y0, caption.x1, caption.y1)),
                  0.97);
        Press(kKeyEnter);
    });
    script.Start(10);
    EXPECT_TRUE(RunLevelSelectScreen(&session));
    script.Stop();
    EXPECT_EQ(script.stalled, "");
    EXPECT_EQ(session.level, 0u);
}

TEST_F(Selection, ACloseRequestEndsEitherWheelAndAsksToQuit)
{
    PlaySession session{};
    session.level = 12; // out of range: the last level
    Script script(CLevelSelectScreen::OnInput);
    script.Add("opened", [] { return After(2); }, [] {
        EXPECT_EQ(Running<CLevelSelectScreen>().current, 9u);
        SendInput(InputClose, nullptr);
    });
    script.Start(10);
    EXPECT_FALSE(RunLevelSelectScreen(&session));
    EXPECT_EQ(session.level, 9u);
    EXPECT_TRUE(IsQuitRequested());

    g_graphics->quitRequested = 0;
    Script stages(CStageSelectScreen::OnInput);
    stages.Add("opened", [] { return After(2); }, [] { SendInput(InputClose, nullptr); });
    stages.Start(10);
    session.tutorialRun = 1;
    session.stage = 9;
    EXPECT_FALSE(RunStageSelectScreen(&session));
    EXPECT_EQ(session.stage, 3u);
    EXPECT_TRUE(IsQuitRequested());
}
