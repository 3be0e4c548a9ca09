// The disabled folder picture's greys, worked out by hand from the weights
// 44 (red), 85 (green), 128 (blue) over 256.
#include "app/greyed_image.h"

#include <gtest/gtest.h>

TEST(GreyedImage, ColoursBecomePaleGreysAndTheTransparentGreyStays) {
  EXPECT_EQ(0x909090u, GreyedColour(0x000000));  // g 0: 144
  EXPECT_EQ(0xD0D0D0u, GreyedColour(0xFFFFFF));  // g 255: (255 + 579) / 4 = 208
  EXPECT_EQ(0xB0B0B0u, GreyedColour(0xFFFF00));  // yellow, g 128: 32 + 144 = 176
  EXPECT_EQ(0xBFBFBFu, GreyedColour(0xBFBFBF));  // g 191: 47 + 144 = 191
  EXPECT_EQ(0xBFBFBFu, GreyedColour(0xC0C0BF));  // g 192 itself: 191
  EXPECT_EQ(0xC1C1C1u, GreyedColour(0xC1C1C1));  // g 193: (193 + 579) / 4 = 193
  EXPECT_EQ(0xC0C0C0u, GreyedColour(0xC0C0C0));
  EXPECT_TRUE(GreysOnDisplay(24));
  EXPECT_FALSE(GreysOnDisplay(16));
  EXPECT_FALSE(GreysOnDisplay(15));
}
