// This program carries none of the game's pictures.
#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/text_images.h"
#include "shell/images.h"

TEST(TextImagesWithoutPictures, StillGiveReadableResults)
{
    RGBABitmap* plate = RenderTutorialPlateImage("text", 0.1, 0.1, 0.8, 0.8);
    RGBABitmap* button = RenderButtonImage("OK");
    ASSERT_NE(plate, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(plate->width, 512);
    EXPECT_EQ(plate->height, 256);
    EXPECT_EQ(button->width, 256);
    EXPECT_EQ(button->height, 64);
    EXPECT_EQ(plate->data[3], 255); // opaque white, text in black
    EXPECT_EQ(plate->data[0], 255);
    free(plate);
    free(button);
}
