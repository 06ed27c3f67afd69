#include "RgbaImage.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace vantrel {
namespace {

void checkWorldSize(const RgbaImage& image) {
  // A world's row holds width × 4 bytes in an A_long.
  constexpr std::uint32_t kMaxWidth = std::uint32_t(std::numeric_limits<A_long>::max() / 4);
  if (image.width > kMaxWidth || image.height > std::uint32_t(std::numeric_limits<A_long>::max())) {
    throw std::runtime_error("a picture of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                             " pixels is too large for a host world");
  }
}

}  // namespace

bool isOpaque(const RgbaImage& image) {
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 255) return false;
  }
  return true;
}

void compositeOntoBlack(RgbaImage& image) {
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    const unsigned alpha = image.rgba[i + 3];
    for (std::size_t c = 0; c < 3; ++c) image.rgba[i + c] = std::uint8_t((image.rgba[i + c] * alpha + 127) / 255);
    image.rgba[i + 3] = 255;
  }
}

minihost::World toWorld(const RgbaImage& image) {
  checkWorldSize(image);  // before the world is made
  minihost::World world(A_long(image.width), A_long(image.height));
  toWorld(image, world);
  return world;
}

void toWorld(const RgbaImage& image, minihost::World& world) {
  checkWorldSize(image);
  if (world.width() != A_long(image.width) || world.height() != A_long(image.height)) {
    throw std::logic_error("toWorld needs a world of the picture's size");
  }
  for (std::uint32_t y = 0; y < image.height; ++y) {
    PF_Pixel* row = world.row(A_long(y));
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.pixel(x, y);
      row[x] = PF_Pixel{p[3], p[0], p[1], p[2]};
    }
  }
}

void fromWorld(const minihost::World& world, RgbaImage& image) {
  image.width = std::uint32_t(world.width());
  image.height = std::uint32_t(world.height());
  image.rgba.resize(std::size_t(image.width) * image.height * 4);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const PF_Pixel* row = world.row(A_long(y));
    for (std::uint32_t x = 0; x < image.width; ++x) {
      std::uint8_t* p = image.pixel(x, y);
      p[0] = row[x].red;
      p[1] = row[x].green;
      p[2] = row[x].blue;
      p[3] = row[x].alpha;
    }
  }
}

}  // namespace vantrel
