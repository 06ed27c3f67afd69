// The built-in test card: its size, opacity, repeatability, and edges that look
// different when mirrored.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "BuiltInPicture.h"

namespace {

using vantrel::RgbaImage;

// A corner's square as seen from that corner: (u, v) counted from the picture's corner
// towards its middle, so the four squares line up as mirror images would.
std::vector<std::uint8_t> corner(const RgbaImage& image, bool right, bool bottom, std::uint32_t side) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v = 0; v < side; ++v) {
    for (std::uint32_t u = 0; u < side; ++u) {
      const std::uint32_t x = right ? image.width - 1 - u : u;
      const std::uint32_t y = bottom ? image.height - 1 - v : v;
      bytes.insert(bytes.end(), image.pixel(x, y), image.pixel(x, y) + 4);
    }
  }
  return bytes;
}

TEST(BuiltInPicture, IsAnOpaque1280By720Picture) {
  const RgbaImage picture = vantrel::builtInPicture();
  ASSERT_EQ(picture.width, 1280u);
  ASSERT_EQ(picture.height, 720u);
  ASSERT_EQ(picture.rgba.size(), 1280u * 720u * 4u);
  for (std::size_t i = 3; i < picture.rgba.size(); i += 4) ASSERT_EQ(picture.rgba[i], 255) << "pixel " << i / 4;
}

TEST(BuiltInPicture, IsTheSameEveryTime) {
  EXPECT_EQ(vantrel::builtInPicture().rgba, vantrel::builtInPicture().rgba);
}

TEST(BuiltInPicture, IsColourful) {
  const RgbaImage picture = vantrel::builtInPicture();
  std::set<std::tuple<int, int, int>> colours;
  for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
    colours.insert({picture.rgba[i], picture.rgba[i + 1], picture.rgba[i + 2]});
  }
  EXPECT_GT(colours.size(), 5000u);
}

TEST(BuiltInPicture, EachCornerLooksDifferentFromTheOthersMirrored) {
  const RgbaImage picture = vantrel::builtInPicture();
  const std::vector<std::vector<std::uint8_t>> corners = {
      corner(picture, false, false, 96), corner(picture, true, false, 96),
      corner(picture, false, true, 96), corner(picture, true, true, 96)};
  for (std::size_t a = 0; a < corners.size(); ++a) {
    for (std::size_t b = a + 1; b < corners.size(); ++b) EXPECT_NE(corners[a], corners[b]) << a << " and " << b;
  }
}

TEST(BuiltInPicture, EdgesCarryDetail) {
  // Every edge row and column changes colour along its length (ticks, marks), so that
  // the effect's mirrored repeats at the borders show.
  const RgbaImage picture = vantrel::builtInPicture();
  const auto distinctAlong = [&](bool alongX, std::uint32_t at) {
    std::set<std::tuple<int, int, int>> colours;
    const std::uint32_t length = alongX ? picture.width : picture.height;
    for (std::uint32_t i = 0; i < length; ++i) {
      const std::uint8_t* p = alongX ? picture.pixel(i, at) : picture.pixel(at, i);
      colours.insert({p[0], p[1], p[2]});
    }
    return colours.size();
  };
  for (std::uint32_t inset : {8u, 20u}) {
    EXPECT_GE(distinctAlong(true, inset), 3u) << "top, " << inset;
    EXPECT_GE(distinctAlong(true, picture.height - 1 - inset), 3u) << "bottom, " << inset;
    EXPECT_GE(distinctAlong(false, inset), 3u) << "left, " << inset;
    EXPECT_GE(distinctAlong(false, picture.width - 1 - inset), 3u) << "right, " << inset;
  }
}

TEST(BuiltInPicture, OtherSizesWork) {
  const RgbaImage small = vantrel::builtInPicture(64, 36);
  EXPECT_EQ(small.width, 64u);
  EXPECT_EQ(small.height, 36u);
  EXPECT_EQ(small.rgba.size(), 64u * 36u * 4u);
}

}  // namespace
