// A picture as PNG files hold it: 8-bit red, green, blue, alpha per pixel, straight
// alpha, rows packed top to bottom. The host's worlds hold the same colours in the order
// alpha, red, green, blue.
#pragma once

#include <cstdint>
#include <vector>

#include "World.h"

namespace vantrel {

struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width × height × 4 bytes

  RgbaImage() = default;
  RgbaImage(std::uint32_t w, std::uint32_t h) : width(w), height(h), rgba(std::size_t(w) * h * 4, 0) {}

  std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) { return rgba.data() + (std::size_t(y) * width + x) * 4; }
  const std::uint8_t* pixel(std::uint32_t x, std::uint32_t y) const {
    return rgba.data() + (std::size_t(y) * width + x) * 4;
  }
};

// Whether every pixel's alpha is 255.
bool isOpaque(const RgbaImage& image);
// Each colour times its alpha, alpha made 255: the picture as seen over black, for
// outputs that hold no alpha.
void compositeOntoBlack(RgbaImage& image);

// A world of the image's size holding its pixels.
minihost::World toWorld(const RgbaImage& image);
// The same into `world`, which must be of the image's size (a used one is fine).
void toWorld(const RgbaImage& image, minihost::World& world);
// The world's pixels, row padding left out, into `image` (its storage used again when
// the size is the same).
void fromWorld(const minihost::World& world, RgbaImage& image);

}  // namespace vantrel
