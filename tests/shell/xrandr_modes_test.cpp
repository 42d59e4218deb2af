// The display-mode layer on a real X server. The script that starts the
// server says what it offers: SKYLUME_SCREEN=switching (the dummy driver's
// 1280 x 720 desktop with more modes, one display) or single (Xvfb, one
// mode).
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/desktop_mode_record.h"
#include "platform/display_modes.h"

namespace {

bool Switching()
{
    const char* screen = std::getenv("SKYLUME_SCREEN");
    return screen && std::strcmp(screen, "switching") == 0;
}

// The root window's size, asked of the server on a connection of our own.
void RootWindowSize(int* width, int* height)
{
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    Window root;
    int px, py;
    unsigned w, h, border, depth;
    XGetGeometry(x, DefaultRootWindow(x), &root, &px, &py, &w, &h, &border, &depth);
    *width = int(w);
    *height = int(h);
    XCloseDisplay(x);
}

VideoMode Current()
{
    VideoMode mode;
    GetCurrentVideoMode(0, &mode);
    return mode;
}

bool Lists(const VideoModeList& list, int width, int height)
{
    for (int i = 0; i < list.count; ++i)
        if (list.modes[i].width == width && list.modes[i].height == height)
            return true;
    return false;
}

} // namespace

TEST(XrandrModes, TheDesktopIsOneDisplayAt32BitsPerPixel)
{
    EXPECT_EQ(GetDisplayCount(), 1);
    DisplayRect rect;
    ASSERT_TRUE(GetDisplayGeometry(0, &rect));
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.y, 0);
    EXPECT_EQ(rect.width, 1280);
    EXPECT_EQ(rect.height, 720);
    VideoMode mode = Current();
    EXPECT_EQ(mode.width, 1280);
    EXPECT_EQ(mode.height, 720);
    EXPECT_EQ(mode.depth, 32);
    EXPECT_EQ(mode.refresh, Switching() ? 60 : 0);
    EXPECT_FALSE(GetDisplayGeometry(1, &rect));
    EXPECT_EQ(rect.width, 0);
    EXPECT_EQ(GetDisplayFromRect(DisplayRect{100, 100, 300, 200}), 0);
    EXPECT_EQ(GetDisplayFromRect(DisplayRect{2000, 100, 300, 200}), -1);
}

TEST(XrandrModes, ModesAreRealDistinctAndIncludeTheCurrentOne)
{
    VideoModeList list;
    GetVideoModes(0, &list);
    ASSERT_GE(list.count, 1);
    EXPECT_TRUE(SameVideoMode(list.modes[0], Current()));
    for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.modes[i].depth, 32);
        for (int k = 0; k < i; ++k)
            EXPECT_FALSE(SameVideoMode(list.modes[i], list.modes[k])) << i << " " << k;
    }
    if (Switching()) {
        EXPECT_TRUE(Lists(list, 1024, 768));
        EXPECT_TRUE(Lists(list, 800, 600));
        EXPECT_TRUE(Lists(list, 640, 480));
    } else {
        EXPECT_EQ(list.count, 1);
    }
    GetVideoModes(3, &list);
    EXPECT_EQ(list.count, 0);
}

TEST(XrandrModes, ASwitchChangesTheScreenAndCanBeUndone)
{
    EXPECT_TRUE(ChangeVideoMode(0, VideoMode{1280, 720, 32, 0})); // already shown
    if (!Switching()) {
        EXPECT_FALSE(ChangeVideoMode(0, VideoMode{1024, 768, 0, 0}));
        EXPECT_EQ(Current().width, 1280);
        return;
    }
    ASSERT_TRUE(ChangeVideoMode(0, VideoMode{1024, 768, 32, 0}));
    EXPECT_EQ(Current().width, 1024);
    EXPECT_EQ(Current().height, 768);
    DisplayRect rect;
    GetDisplayGeometry(0, &rect);
    EXPECT_EQ(rect.width, 1024);
    int width, height;
    RootWindowSize(&width, &height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);

    ASSERT_TRUE(ChangeVideoMode(0, VideoMode{800, 600, 0, 60}));
    EXPECT_EQ(Current().width, 800);
    EXPECT_EQ(Current().refresh, 60);

    RestoreVideoModes();
    EXPECT_TRUE(SameVideoMode(Current(), VideoMode{1280, 720, 32, 60}));
    RootWindowSize(&width, &height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    RestoreVideoModes(); // nothing left to undo
    EXPECT_EQ(Current().width, 1280);
}

TEST(XrandrModes, SwitchingBackByHandLeavesNothingToUndo)
{
    if (!Switching())
        GTEST_SKIP() << "one mode only";
    VideoMode desktop = Current();
    ASSERT_TRUE(ChangeVideoMode(0, VideoMode{640, 480, 32, 0}));
    ASSERT_TRUE(ChangeVideoMode(0, desktop));
    int width, height;
    RootWindowSize(&width, &height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    // Had the undo record stayed, this would switch again.
    ASSERT_TRUE(ChangeVideoMode(0, VideoMode{1024, 768, 32, 0}));
    RestoreVideoModes();
    EXPECT_EQ(Current().width, 1280);
}

TEST(XrandrModes, ModesTheDisplayLacksAreRefusedWithoutAChange)
{
    EXPECT_FALSE(ChangeVideoMode(0, VideoMode{1600, 1200, 0, 0}));
    EXPECT_FALSE(ChangeVideoMode(0, VideoMode{1024, 768, 16, 0}));
    EXPECT_FALSE(ChangeVideoMode(0, VideoMode{1024, 768, 32, 144}));
    EXPECT_FALSE(ChangeVideoMode(2, VideoMode{1024, 768, 32, 0}));
    EXPECT_TRUE(SameVideoMode(Current(), VideoMode{1280, 720, 32, Switching() ? 60 : 0}));
    RestoreVideoModes();
    EXPECT_EQ(Current().width, 1280);
}

// The record another game left when it died with its watcher, made from
// this process's own: `change` alters it.
template <typename Change>
void LeaveRecordOfADeadGame(DesktopRecord* own, Change change)
{
    ServerGrab grab;
    ASSERT_TRUE(ReadDesktopRecord(own));
    DesktopRecord dead = *own;
    std::snprintf(dead.owner, sizeof dead.owner, "_SKYLUME_GAME_THAT_DIED");
    change(&dead);
    ASSERT_TRUE(WriteDesktopRecord(dead));
}

bool RecordLeft()
{
    ServerGrab grab;
    DesktopRecord record;
    return ReadDesktopRecord(&record);
}

TEST(XrandrModes, ARecordIsPutBackAsFarAsTheServerKnowsIt)
{
    if (!Switching())
        GTEST_SKIP() << "one mode only";
    ASSERT_TRUE(ChangeVideoMode(0, VideoMode{1024, 768, 32, 0}));
    DesktopRecord own;
    LeaveRecordOfADeadGame(&own, [](DesktopRecord* dead) {
        // A display unplugged since: the other is put back all the same.
        dead->saved[dead->count] = dead->saved[0];
        dead->saved[dead->count].crtc = 9999;
        dead->switchedTo[dead->count] = dead->switchedTo[0];
        dead->count += 1;
    });
    RecoverVideoModes();
    EXPECT_TRUE(SameVideoMode(Current(), VideoMode{1280, 720, 32, 60}));
    int width, height;
    RootWindowSize(&width, &height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    EXPECT_FALSE(RecordLeft());
    RestoreVideoModes();
}

TEST(XrandrModes, ARecordTheServerCannotTakeSwitchesNothingOff)
{
    if (!Switching())
        GTEST_SKIP() << "one mode only";
    void (*const faults[])(DesktopRecord*) = {
        [](DesktopRecord* dead) { dead->screen = ScreenSize{640, 480, 169, 127}; },
        [](DesktopRecord* dead) { dead->saved[0].rotation = 64; },
    };
    for (auto fault : faults) {
        ASSERT_TRUE(ChangeVideoMode(0, VideoMode{1024, 768, 32, 0}));
        DesktopRecord own;
        LeaveRecordOfADeadGame(&own, fault);
        RecoverVideoModes();
        EXPECT_EQ(GetDisplayCount(), 1);
        EXPECT_EQ(Current().width, 1024);
        EXPECT_EQ(Current().height, 768);
        // This game's own record puts the desktop back.
        {
            ServerGrab grab;
            ASSERT_TRUE(WriteDesktopRecord(own));
        }
        RestoreVideoModes();
        EXPECT_EQ(Current().width, 1280);
    }
}
