#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/images.h"
#include "shell/text_images.h"

namespace {

struct Block
{
    RGBABitmap* bitmap;
    explicit Block(RGBABitmap* b) : bitmap(b) {}
    ~Block() { free(bitmap); }
    const uint8_t* At(int x, int yFromTop) const
    {
        int row = bitmap->height - 1 - yFromTop;
        return bitmap->data + row * bitmap->pitch + x * 4;
    }
    bool SameAs(const Block& other) const
    {
        return bitmap->width == other.bitmap->width && bitmap->height == other.bitmap->height
            && std::memcmp(bitmap->data, other.bitmap->data,
                           static_cast<size_t>(bitmap->pitch) * bitmap->height) == 0;
    }
};

// Columns holding light pixels, and whether any light pixel exists.
struct Ink
{
    int left = 1 << 30, right = -1;
};

Ink LightColumns(const Block& block)
{
    Ink ink;
    for (int y = 0; y < block.bitmap->height; ++y)
        for (int x = 0; x < block.bitmap->width; ++x)
            if (block.At(x, y)[0] > 128) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

int DarkPixelsIn(const Block& block, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (block.At(x, y)[0] < 60 && block.At(x, y)[3] > 200)
                ++count;
    return count;
}

} // namespace

TEST(TextImages, EmptyTextsGiveThePlainPictures)
{
    Block plate(RenderTutorialPlateImage(nullptr, 0.1, 0.2, 0.8, 0.6));
    Block plateEmpty(RenderTutorialPlateImage("", 0.1, 0.2, 0.8, 0.6));
    Block plain(LoadImageRGBA("tutorial_plate"));
    ASSERT_NE(plate.bitmap, nullptr);
    ASSERT_NE(plain.bitmap, nullptr);
    EXPECT_EQ(plate.bitmap->width, plain.bitmap->width);
    EXPECT_TRUE(plate.SameAs(plateEmpty));
    // Same picture; the colours may pass through the display's depth.
    for (int y = 0; y < plain.bitmap->height; y += 7)
        for (int x = 0; x < plain.bitmap->width; x += 7)
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(plate.At(x, y)[c], plain.At(x, y)[c], 2) << x << "," << y;

    Block button(RenderButtonImage(nullptr));
    Block buttonEmpty(RenderButtonImage(""));
    ASSERT_NE(button.bitmap, nullptr);
    EXPECT_EQ(button.bitmap->width, 256);
    EXPECT_EQ(button.bitmap->height, 64);
    EXPECT_TRUE(button.SameAs(buttonEmpty));

    Block caption(RenderCaptionImage(nullptr));
    ASSERT_NE(caption.bitmap, nullptr);
    EXPECT_EQ(caption.bitmap->width, 512);
    EXPECT_EQ(caption.bitmap->height, 32);
    EXPECT_EQ(LightColumns(caption).right, -1); // black all over, never left-over pixels
}

TEST(TextImages, CaptionsAreCentredAndLongOnesShrinkIntoTheBox)
{
    Block shortCaption(RenderCaptionImage("Stage 2"));
    Ink ink = LightColumns(shortCaption);
    ASSERT_GE(ink.right, 0);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 256, 6);

    std::string long_(80, 'W');
    Block longCaption(RenderCaptionImage(long_.c_str()));
    ink = LightColumns(longCaption);
    ASSERT_GE(ink.right, 0);
    EXPECT_GE(ink.left, 0);
    EXPECT_LE(ink.right, 511);
    EXPECT_GT(ink.right - ink.left, 400); // shrunk to the box, not clipped to a few letters
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 256, 8);
}

TEST(TextImages, LettersKeepThePicturesTransparency)
{
    Block plain(LoadImageRGBA("tutorial_plate"));
    // Text over the whole plate, transparent corners included.
    std::string many;
    for (int i = 0; i < 60; ++i)
        many += "stars ";
    Block plate(RenderTutorialPlateImage(many.c_str(), 0.0, 0.0, 1.0, 1.0));
    ASSERT_NE(plate.bitmap, nullptr);
    for (int y = 0; y < plain.bitmap->height; ++y)
        for (int x = 0; x < plain.bitmap->width; ++x)
            ASSERT_EQ(plate.At(x, y)[3], plain.At(x, y)[3]) << x << "," << y;
    EXPECT_GT(DarkPixelsIn(plate, 60, 60, 450, 200), 500);

    Block bare(RenderButtonImage(""));
    Block labelled(RenderButtonImage("Continue"));
    int changed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(labelled.At(x, y)[3], bare.At(x, y)[3]) << x << "," << y;
            changed += labelled.At(x, y)[0] != bare.At(x, y)[0];
        }
    EXPECT_GT(changed, 200);
    EXPECT_GT(DarkPixelsIn(labelled, 40, 10, 216, 54), 100);
}

TEST(TextImages, TextWrapsInsideThePlatesBox)
{
    Block plate(RenderTutorialPlateImage("Drop a bubble next to two of the same colour.",
                                         0.09375, 0.1875, 0.8125, 0.625));
    ASSERT_NE(plate.bitmap, nullptr);
    int w = plate.bitmap->width, h = plate.bitmap->height;
    int inside = DarkPixelsIn(plate, w * 0.09375, h * 0.1875, w * 0.90625, h * 0.8125);
    int total = DarkPixelsIn(plate, 0, 0, w, h);
    Block plain(LoadImageRGBA("tutorial_plate"));
    int border = DarkPixelsIn(plain, 0, 0, w, h);
    EXPECT_GT(inside, 200);
    EXPECT_LE(total - border, inside + 20); // nothing new outside the box
}
