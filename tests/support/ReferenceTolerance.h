// How closely a GPU frame must match the CPU reference renderer's, pixel by pixel.
//
// Tolerance, and why it holds:
// - Alpha: 1. The GPU computes in single precision and filters textures with 8-bit
//   sub-texel weights (llvmpipe); the reference is exact. Both then round to 8 bits, so
//   a value near a rounding boundary may land one step apart.
// - Colour: 1 + 255 / alpha. The frame is stored premultiplied in 8 bits before it is
//   un-premultiplied, so one step of premultiplied colour becomes 255 / alpha steps of
//   straight colour; at alpha 1 any colour is possible.
// Every pixel must hold. Measured on llvmpipe: alpha errors of at most 1 and colour
// errors of at most 2 over all scenes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ReferenceRenderer.h"

namespace vantrel_test {

inline bool withinTolerance(const PF_Pixel& got, const PF_Pixel& want) {
  const int alphaError = std::abs(got.alpha - want.alpha);
  const int colorError =
      std::max({std::abs(got.red - want.red), std::abs(got.green - want.green), std::abs(got.blue - want.blue)});
  return alphaError <= 1 && colorError <= 1 + 255 / std::max(1, int(want.alpha));
}

// The pixels of `got` outside the tolerance of `want`, the reference's frame; the first
// few are reported as test failures.
inline int countOutliers(const vantrel_reference::Image& got, const vantrel_reference::Image& want) {
  if (got.width != want.width || got.height != want.height) {
    ADD_FAILURE() << "a frame of " << got.width << "x" << got.height << ", not " << want.width << "x" << want.height;
    return want.width * want.height;
  }
  int count = 0;
  for (int y = 0; y < want.height; ++y) {
    for (int x = 0; x < want.width; ++x) {
      const PF_Pixel g = got.at(x, y), w = want.at(x, y);
      if (withinTolerance(g, w)) continue;
      if (++count <= 3) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") ARGB got " << int(g.alpha) << "," << int(g.red) << ","
                      << int(g.green) << "," << int(g.blue) << " want " << int(w.alpha) << "," << int(w.red) << ","
                      << int(w.green) << "," << int(w.blue);
      }
    }
  }
  return count;
}

}  // namespace vantrel_test
