#include <gtest/gtest.h>

#include "shell/display_dialog.h"
#include "shell/display_mode.h"

namespace {

VideoMode Mode(int width, int height, int depth, int refresh = 0)
{
    return VideoMode{width, height, depth, refresh};
}

} // namespace

TEST(ModeRanking, ThirtyTwoBitsFirstThenShapeThenArea)
{
    // 32-bit beats any shape.
    EXPECT_TRUE(ModeRanksBefore(Mode(1280, 720, 32), Mode(1024, 768, 16)));
    EXPECT_FALSE(ModeRanksBefore(Mode(1024, 768, 16), Mode(1280, 720, 32)));
    // Ratio 0.75 before 0.8.
    EXPECT_TRUE(ModeRanksBefore(Mode(1024, 768, 32), Mode(1280, 1024, 32)));
    // Same ratio: the area nearer 1,600,000 pixels.
    EXPECT_TRUE(ModeRanksBefore(Mode(1280, 960, 32), Mode(1024, 768, 32)));
    EXPECT_FALSE(ModeRanksBefore(Mode(1024, 768, 32), Mode(1280, 960, 32)));
    // Depths other than 32 count as equal; portrait shapes are measured the same way.
    EXPECT_TRUE(ModeRanksBefore(Mode(768, 1024, 16), Mode(1280, 720, 24)));
    EXPECT_FALSE(ModeRanksBefore(Mode(800, 600, 32), Mode(800, 600, 32)));
}

TEST(ModeRanking, ListsUsableModesOnceEachWithoutRefreshRate)
{
    VideoModeList all{};
    for (VideoMode mode : {Mode(800, 600, 32, 60), Mode(800, 600, 32, 75), Mode(640, 480, 8, 60),
                           Mode(639, 480, 32), Mode(640, 479, 32), Mode(1280, 720, 32, 60),
                           Mode(1024, 768, 16), Mode(1024, 768, 32, 85), Mode(640, 480, 32)})
        all.modes[all.count++] = mode;
    std::vector<VideoMode> ranked = RankedUsableModes(all);
    std::vector<std::string> rows;
    for (const VideoMode& mode : ranked) {
        EXPECT_EQ(mode.refresh, 0);
        rows.push_back(FormatModeText(mode).ToStdString());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "1024 by 768 pixels. 32 bits per pixel.",
                        "800 by 600 pixels. 32 bits per pixel.",
                        "640 by 480 pixels. 32 bits per pixel.",
                        "1280 by 720 pixels. 32 bits per pixel.",
                        "1024 by 768 pixels. 16 bits per pixel.",
                    }));
}

TEST(ModeRanking, RowTextWithoutDepth)
{
    EXPECT_EQ(FormatModeText(Mode(1024, 768, 0)), "1024 by 768 pixels. ");
}

TEST(ModeRanking, UsableMeansAtLeast640By480At16Bits)
{
    EXPECT_TRUE(IsUsableMode(Mode(640, 480, 16)));
    EXPECT_FALSE(IsUsableMode(Mode(640, 480, 15)));
    EXPECT_FALSE(IsUsableMode(Mode(0, 480, 32)));
    EXPECT_FALSE(IsUsableMode(Mode(640, -480, 32)));
}

TEST(VideoModes, MatchingTreatsZeroAsAnyAndAcceptsAHigherRefreshRate)
{
    VideoMode desktop = Mode(1024, 768, 32, 75);
    EXPECT_TRUE(VideoModeMatches(desktop, Mode(1024, 768, 32, 0)));
    EXPECT_TRUE(VideoModeMatches(desktop, Mode(1024, 768, 32, 60)));
    EXPECT_FALSE(VideoModeMatches(desktop, Mode(1024, 768, 32, 85)));
    EXPECT_FALSE(VideoModeMatches(desktop, Mode(1024, 768, 16, 0)));
    EXPECT_TRUE(VideoModeMatches(desktop, Mode(0, 0, 0, 0)));
    EXPECT_FALSE(SameVideoMode(desktop, Mode(1024, 768, 32, 60)));
}
