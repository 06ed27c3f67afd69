// CPU reference of the effect's picture, used as the oracle for frames rendered on the
// GPU. It follows the frame's data path step by step, in double precision: the values
// the host hands the effect, the render record after the snapshot, the shape program's
// uniforms and instance matrices, its colour at each pixel, and the output bytes after
// the 8-bit layer, the resolve and the conversion program.
//
// Only what the effect computes in float before the shader runs is float here, so a GPU
// frame differs from this one only by the GPU's rounding and texture filtering precision
// and the 8-bit quantisation they can tip.
#pragma once

#include <vector>

#include "AE_Effect.h"
#include "SceneValues.h"

namespace vantrel_reference {

// An 8-bit picture in the host's pixel layout: alpha, red, green, blue, straight colour,
// tightly packed rows, row 0 at the top.
struct Image {
  int width = 0, height = 0;
  std::vector<PF_Pixel> pixels;

  PF_Pixel& at(int x, int y);
  const PF_Pixel& at(int x, int y) const;
};

// A width x height picture with every pixel set to fill.
Image makeImage(int width, int height, PF_Pixel fill = PF_Pixel{0, 0, 0, 0});

// Four channels in the order a shader sees them: r, g, b, a.
struct Rgba {
  double r = 0.0, g = 0.0, b = 0.0, a = 0.0;
};

// Edge strength at signed distance d (already multiplied by the fill's sign) for an edge
// of the given width; shadow selects the shadow ramp, otherwise the stroke ramp. A shadow
// of width 0 (or less) has strength 0.
double edgeStrength(double d, double width, bool shadow);

// The 8-bit chain after the shape program: each channel stored as an 8-bit normalised
// value in the layer, the resolve of identical samples, the conversion program's
// un-premultiplication and its 8-bit output, as host bytes alpha, red, green, blue.
PF_Pixel storeAndConvert(const Rgba& premultiplied);

// The frame the effect renders from input, at the frame's resolution (the layer's size
// divided by downsample). Throws std::invalid_argument for values no host hands.
Image renderReference(const Image& input, const SceneValues& values, unsigned downsample = 1);

}  // namespace vantrel_reference
