// Checks of the CPU reference renderer against values that follow from geometry and
// arithmetic alone, so that the oracle for GPU frames is itself trustworthy.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "ReferenceRenderer.h"

namespace vantrel_reference {
namespace {

constexpr double kTolerance = 1e-9;
const double kSqrt2 = std::sqrt(2.0);
const double kPi = std::acos(-1.0);
const double kOctagonCircumradius8 = 8.0 / std::cos(kPi / 8.0);

bool samePixel(const PF_Pixel& l, const PF_Pixel& r) {
  return l.alpha == r.alpha && l.red == r.red && l.green == r.green && l.blue == r.blue;
}

std::string describe(const PF_Pixel& p) {
  return "(" + std::to_string(p.alpha) + ", " + std::to_string(p.red) + ", " + std::to_string(p.green) + ", " +
         std::to_string(p.blue) + ")";
}

// An opaque picture whose every pixel differs from its neighbours.
Image opaquePattern(int width, int height) {
  Image image = makeImage(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.at(x, y) = PF_Pixel{255, static_cast<A_u_char>(20 * x + 3), static_cast<A_u_char>(30 * y + 7),
                                static_cast<A_u_char>((37 * x + 11 * y) % 256)};
    }
  }
  return image;
}

// Counts the pixels of actual that differ from expected(x, y), reporting the first few.
template <typename Expected>
int countMismatches(const Image& actual, Expected expected) {
  int mismatches = 0;
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const PF_Pixel want = expected(x, y);
      if (samePixel(actual.at(x, y), want)) continue;
      if (++mismatches <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << describe(actual.at(x, y)) << ", expected "
                      << describe(want);
      }
    }
  }
  return mismatches;
}

// Every instance transparent everywhere: filled inside a shape of size 0 (or less), so
// the coverage is 0 at every pixel, and an edge of opacity 0.
SceneValues invisibleInstances(int shapeType) {
  SceneValues values;
  values.shapeType = shapeType;
  values.fillType = 2;
  values.shapeSize1 = 0;
  values.shapeSize2 = 0;
  values.shadowOpacity = 0.0;
  values.instances = 5;
  values.shapeSize1Offset = -5.0;
  values.positionXOffset = 3.0;
  values.positionYOffset = -2.0;
  values.rotationOffset = 30.0;
  values.opacityOffset = 10.0;
  return values;
}

// ---- Edge strength ----

struct EdgeCase {
  const char* name;
  double d, width;
  bool shadow;
  double expected;
};

TEST(ReferenceEdgeStrength, FollowsTheShadowAndStrokeRamps) {
  const EdgeCase cases[] = {
      {"shadow half way", -4, 10, true, 0.5},
      {"shadow at its far end", -9, 10, true, 0},
      {"shadow beyond its far end", -30, 10, true, 0},
      {"shadow of width 0", -4, 0, true, 0},
      {"shadow of width 0 near the line", 0.5, 0, true, 0},
      {"shadow on the line d = 1", 1, 100, true, 0},
      {"shadow where the layer is opaque", 5, 100, true, 0},
      {"stroke half way out", -9.5, 10, false, 0.5},
      {"stroke at the boundary", 0, 10, false, 1},
      {"stroke at its inner end", -9, 10, false, 1},
      {"stroke beyond its ramp", -10, 10, false, 0},
      {"stroke of width 0 at the boundary", 0, 0, false, 0},
      {"stroke on the line d = 1", 1, 10, false, 0},
  };
  for (const EdgeCase& c : cases) {
    EXPECT_NEAR(edgeStrength(c.d, c.width, c.shadow), c.expected, kTolerance) << c.name;
  }
}

// ---- The 8-bit chain ----

struct ChainCase {
  const char* name;
  Rgba premultiplied;
  PF_Pixel expected;
};

TEST(ReferenceEightBitChain, UnpremultipliesTheQuantisedLayer) {
  const ChainCase cases[] = {
      {"opaque", {200 / 255.0, 100 / 255.0, 50 / 255.0, 1.0}, {255, 200, 100, 50}},
      {"half transparent", {100 / 255.0, 50 / 255.0, 25 / 255.0, 128 / 255.0}, {128, 199, 100, 50}},
      {"transparent", {0.3, 0.2, 0.1, 0.0}, {0, 0, 0, 0}},
      {"alpha below half a step", {0.001, 0.001, 0.001, 0.001}, {0, 0, 0, 0}},
      {"alpha of one step", {0.6 / 255.0, 0.4 / 255.0, 1.0 / 255.0, 1.0 / 255.0}, {1, 255, 0, 255}},
  };
  for (const ChainCase& c : cases) {
    const PF_Pixel out = storeAndConvert(c.premultiplied);
    EXPECT_TRUE(samePixel(out, c.expected)) << c.name << ": " << describe(out) << ", expected " << describe(c.expected);
  }
}

// ---- Whole frames ----

TEST(ReferenceFrame, ShapeCoveringTheLayerWithTransparentBackgroundLeavesNothing) {
  SceneValues values;  // a circle of radius 300 around the centre, filled outside
  values.instances = 1;
  values.transparentBackground = true;
  const Image input = opaquePattern(16, 12);
  const Image output = renderReference(input, values);
  EXPECT_EQ(countMismatches(output, [](int, int) { return PF_Pixel{0, 0, 0, 0}; }), 0);
}

TEST(ReferenceFrame, InvisibleInstancesReturnAnOpaqueLayerUnchanged) {
  const Image input = opaquePattern(13, 9);
  for (int shapeType = 1; shapeType <= 9; ++shapeType) {
    SCOPED_TRACE("shape type " + std::to_string(shapeType));
    const Image output = renderReference(input, invisibleInstances(shapeType));
    EXPECT_EQ(countMismatches(output, [&](int x, int y) { return input.at(x, y); }), 0);
  }
}

struct UniformInputCase {
  PF_Pixel input;
  PF_Pixel expected;
};

TEST(ReferenceFrame, BackgroundGoesThroughThePremultipliedEightBitLayer) {
  const UniformInputCase cases[] = {
      {{128, 200, 100, 50}, {128, 199, 100, 50}},
      {{0, 200, 100, 50}, {0, 0, 0, 0}},
      {{255, 200, 100, 50}, {255, 200, 100, 50}},
  };
  for (const UniformInputCase& c : cases) {
    SCOPED_TRACE("input " + describe(c.input));
    const Image output = renderReference(makeImage(7, 5, c.input), invisibleInstances(1));
    EXPECT_EQ(countMismatches(output, [&](int, int) { return c.expected; }), 0);
  }
}

TEST(ReferenceFrame, EchoMovedByOneLayerWidthShowsTheLayerMirrored) {
  // Downsampled by 2: the 12 x 8 frame of a 24 x 16 layer. Instance 0 is a circle of
  // radius 150 filled outside (transparent over the whole frame); instance 1 has radius 0
  // and lies one frame width to the left, so every pixel sees its layer copy, which is
  // read one width to the right: the layer mirrored at its right edge.
  SceneValues values;
  values.instances = 2;
  values.shapeSize1 = 300;
  values.shapeSize1Offset = -300;
  values.positionXOffset = 24;
  values.scaleXOffset = 0;
  values.scaleYOffset = 0;
  values.shadowOpacity = 0;
  const Image input = opaquePattern(12, 8);
  const Image output = renderReference(input, values, 2);
  EXPECT_EQ(countMismatches(output, [&](int x, int y) { return input.at(11 - x, y); }), 0);
}

TEST(ReferenceFrame, EchoTurnedByHalfATurnLiesUnderTheFirstInstance) {
  // Both instances filled inside circles around the centre (5, 3) of a 10 x 6 frame:
  // instance 0 of radius 3, unmoved; instance 1 of radius 103, turned by 180 degrees
  // about the centre, so it shows the layer upside down over the whole frame. Where
  // instance 0 is opaque (|q| <= 2, d >= 1) it lies on top and shows the layer as it is;
  // where it is transparent (|q| >= 3) instance 1 shows. The ring between is a blend.
  SceneValues values;
  values.instances = 2;
  values.fillType = 2;
  values.shapeSize1 = 3;
  values.shapeSize1Offset = 100;
  values.rotationOffset = 180;
  values.scaleXOffset = 0;
  values.scaleYOffset = 0;
  values.shadowOpacity = 0;
  const Image input = opaquePattern(10, 6);
  const Image output = renderReference(input, values);
  int onTop = 0, turned = 0;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      const double distance = std::hypot(x + 0.5 - 5, y + 0.5 - 3);
      if (distance > 2 && distance < 3) continue;
      const bool firstOnTop = distance <= 2;
      const PF_Pixel expected = firstOnTop ? input.at(x, y) : input.at(9 - x, 5 - y);
      (firstOnTop ? onTop : turned)++;
      EXPECT_TRUE(samePixel(output.at(x, y), expected))
          << "pixel (" << x << ", " << y << ") is " << describe(output.at(x, y)) << ", expected " << describe(expected);
    }
  }
  EXPECT_GT(onTop, 0);
  EXPECT_GT(turned, 0);
}

struct OpacityCase {
  double opacityOffset;
  PF_Pixel expected;
};

TEST(ReferenceFrame, OpacityOffsetFadesTheSecondInstance) {
  // A white frame with a transparent background; instance 0 is transparent (size 0
  // filled inside), instance 1 covers the frame (radius 100 filled inside) at the
  // opacity 1 - opacity offset.
  const OpacityCase cases[] = {
      {0, {255, 255, 255, 255}},
      {60, {102, 255, 255, 255}},  // 0.4 x 255
      {100, {0, 0, 0, 0}},
      {150, {0, 0, 0, 0}},
  };
  const Image input = makeImage(8, 6, PF_Pixel{255, 255, 255, 255});
  for (const OpacityCase& c : cases) {
    SCOPED_TRACE("opacity offset " + std::to_string(c.opacityOffset));
    SceneValues values;
    values.instances = 2;
    values.fillType = 2;
    values.shapeSize1 = 0;
    values.shapeSize1Offset = 100;
    values.shadowOpacity = 0;
    values.transparentBackground = true;
    values.opacityOffset = c.opacityOffset;
    const Image output = renderReference(input, values);
    EXPECT_EQ(countMismatches(output, [&](int, int) { return c.expected; }), 0);
  }
}

struct EdgePixelCase {
  const char* name;
  int edgeType;
  int x, y;
  PF_Pixel expected;
};

TEST(ReferenceFrame, EdgeInsideARectangleFilledOutside) {
  // A white 40 x 30 frame, centre (20, 15), a rectangle of half extents 20 x 20 filled
  // outside over a transparent background. Pixel (35, 15) lies at d = -4.5: a shadow of
  // width 11 has strength 0.5 there. Pixel (30, 15) lies at d = -9.5: a stroke of width
  // 10 has strength 0.5. Either edge is red at 0.5 x 0.5 = 0.25 opacity, and the colour
  // blends by the source's alpha alone, so the transparent white background still gives
  // 0.75 of the colour: (1, 0.75, 0.75) at alpha 0.25, stored premultiplied as the bytes
  // 64, 48, 48 (alpha 64) and un-premultiplied to 255, 191, 191. Pixel (20, 15), at
  // d = -19.5, is beyond both edges.
  const EdgePixelCase cases[] = {
      {"shadow half way", 1, 35, 15, {64, 255, 191, 191}},
      {"shadow half way, mirrored", 1, 4, 15, {64, 255, 191, 191}},
      {"shadow does not reach the middle", 1, 20, 15, {0, 0, 0, 0}},
      {"stroke half way", 2, 30, 15, {64, 255, 191, 191}},
      {"stroke does not reach the middle", 2, 20, 15, {0, 0, 0, 0}},
  };
  const Image input = makeImage(40, 30, PF_Pixel{255, 255, 255, 255});
  for (const EdgePixelCase& c : cases) {
    SceneValues values;
    values.shapeType = 5;
    values.shapeSize1 = 20;
    values.shapeSize2 = 20;
    values.transparentBackground = true;
    values.instances = 1;
    values.edgeType = c.edgeType;
    values.shadowSize = 11;
    values.shadowOpacity = 100;
    values.strokeSize = 10;
    values.strokeOpacity = 100;
    values.shadowColor = c.edgeType == 1 ? PF_Pixel{255, 255, 0, 0} : PF_Pixel{255, 0, 0, 255};
    values.strokeColor = c.edgeType == 2 ? PF_Pixel{255, 255, 0, 0} : PF_Pixel{255, 0, 0, 255};
    const PF_Pixel out = renderReference(input, values).at(c.x, c.y);
    EXPECT_TRUE(samePixel(out, c.expected)) << c.name << ": " << describe(out) << ", expected " << describe(c.expected);
  }
}


}  // namespace
}  // namespace vantrel_reference
