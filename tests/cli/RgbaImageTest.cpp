// The byte order between PNG pictures (red, green, blue, alpha) and host worlds (alpha,
// red, green, blue).
#include <gtest/gtest.h>

#include "RgbaImage.h"

namespace {

TEST(RgbaImage, WorldHoldsAlphaRedGreenBlue) {
  vantrel::RgbaImage image(2, 1);
  image.rgba = {10, 20, 30, 40, 250, 251, 252, 0};
  const minihost::World world = vantrel::toWorld(image);
  ASSERT_EQ(world.width(), 2);
  ASSERT_EQ(world.height(), 1);
  EXPECT_EQ(world.at(0, 0).alpha, 40);
  EXPECT_EQ(world.at(0, 0).red, 10);
  EXPECT_EQ(world.at(0, 0).green, 20);
  EXPECT_EQ(world.at(0, 0).blue, 30);
  EXPECT_EQ(world.at(1, 0).alpha, 0);  // straight alpha: colour kept under zero alpha
  EXPECT_EQ(world.at(1, 0).red, 250);
  EXPECT_EQ(world.at(1, 0).blue, 252);
}

TEST(RgbaImage, RoundTripThroughAWorld) {
  vantrel::RgbaImage image(5, 3);
  for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = std::uint8_t(i * 11);
  const vantrel::RgbaImage back = vantrel::fromWorld(vantrel::toWorld(image));
  EXPECT_EQ(back.width, 5u);
  EXPECT_EQ(back.height, 3u);
  EXPECT_EQ(back.rgba, image.rgba);
}

TEST(RgbaImage, RowPaddingIsLeftOut) {
  minihost::World world(2, 2, 8);
  for (std::uint8_t& byte : world.bytes()) byte = 0xEE;  // the padding too
  world.at(1, 1) = PF_Pixel{1, 2, 3, 4};
  const vantrel::RgbaImage image = vantrel::fromWorld(world);
  ASSERT_EQ(image.rgba.size(), 16u);
  EXPECT_EQ(image.rgba[12], 2);
  EXPECT_EQ(image.rgba[13], 3);
  EXPECT_EQ(image.rgba[14], 4);
  EXPECT_EQ(image.rgba[15], 1);
  EXPECT_EQ(image.rgba[0], 0xEE);
}

}  // namespace
