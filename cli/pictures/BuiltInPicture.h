// The picture `vantrel render` uses when it is given no input.
#pragma once

#include "RgbaImage.h"

namespace vantrel {

constexpr std::uint32_t kBuiltInWidth = 1280;
constexpr std::uint32_t kBuiltInHeight = 720;

// An opaque test card, the same on every run: a hue gradient across and a darkening
// down, a checker with grid lines, concentric rings about the centre, and a bright
// border band with ticks and a different mark in each corner (a red square top left, a
// green disc top right, a blue triangle bottom left, black and white stripes bottom
// right), so that the effect's mirrored repeats of the edges can be told apart.
RgbaImage builtInPicture(std::uint32_t width = kBuiltInWidth, std::uint32_t height = kBuiltInHeight);

}  // namespace vantrel
