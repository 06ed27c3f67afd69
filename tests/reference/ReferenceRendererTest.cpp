// Checks of the CPU reference renderer against values that follow from geometry and
// arithmetic alone, so that the oracle for GPU frames is itself trustworthy.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ReferenceRenderer.h"

namespace vantrel_reference {
namespace {

constexpr double kTolerance = 1e-9;

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

TEST(ReferenceFrame, InvisibleInstancesReturnAnOpaqueLayerUnchanged) {
  const Image input = opaquePattern(13, 9);
  for (int shapeType = 1; shapeType <= 9; ++shapeType) {
    SCOPED_TRACE("shape type " + std::to_string(shapeType));
    const Image output = renderReference(input, invisibleInstances(shapeType));
    EXPECT_EQ(countMismatches(output, [&](int x, int y) { return input.at(x, y); }), 0);
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

TEST(ReferenceFrame, EchoTurnedLiesUnderTheFirstInstance) {
  // Both instances filled inside circles around the centre (4, 4) of an 8 x 8 frame:
  // instance 0 of radius 3, unmoved; instance 1 of radius 103, turned about the centre
  // (clockwise in the image for positive angles), so it shows the layer turned over the
  // whole frame. Where instance 0 is opaque (|q| <= 2, d >= 1) it lies on top and shows
  // the layer as it is; where it is transparent (|q| >= 3) instance 1 shows. The ring
  // between is a blend.
  struct Turn {
    double degrees;
    int (*sourceX)(int x, int y);
    int (*sourceY)(int x, int y);
  };
  const Turn turns[] = {
      {180, [](int x, int) { return 7 - x; }, [](int, int y) { return 7 - y; }},
      {90, [](int, int y) { return y; }, [](int x, int) { return 7 - x; }},
      {-90, [](int, int y) { return 7 - y; }, [](int x, int) { return x; }},
  };
  const Image input = opaquePattern(8, 8);
  for (const Turn& turn : turns) {
    SCOPED_TRACE(std::to_string(turn.degrees) + " degrees");
    SceneValues values;
    values.instances = 2;
    values.fillType = 2;
    values.shapeSize1 = 3;
    values.shapeSize1Offset = 100;
    values.rotationOffset = turn.degrees;
    values.scaleXOffset = 0;
    values.scaleYOffset = 0;
    values.shadowOpacity = 0;
    const Image output = renderReference(input, values);
    int onTop = 0, turned = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const double distance = std::hypot(x + 0.5 - 4, y + 0.5 - 4);
        if (distance > 2 && distance < 3) continue;
        const bool firstOnTop = distance <= 2;
        const PF_Pixel expected = firstOnTop ? input.at(x, y) : input.at(turn.sourceX(x, y), turn.sourceY(x, y));
        (firstOnTop ? onTop : turned)++;
        EXPECT_TRUE(samePixel(output.at(x, y), expected))
            << "pixel (" << x << ", " << y << ") is " << describe(output.at(x, y)) << ", expected " << describe(expected);
      }
    }
    EXPECT_GT(onTop, 0);
    EXPECT_GT(turned, 0);
  }
}

TEST(ReferenceFrame, OpacityOffsetFadesTheSecondInstance) {
  // A white frame with a transparent background; instance 0 is transparent (size 0
  // filled inside), instance 1 covers the frame (radius 100 filled inside) at the
  // opacity 1 - opacity offset.
  const struct {
    double opacityOffset;
    PF_Pixel expected;
  } cases[] = {
      {0, {255, 255, 255, 255}},
      {60, {102, 255, 255, 255}},  // 0.4 x 255
      {100, {0, 0, 0, 0}},
      {150, {0, 0, 0, 0}},
  };
  const Image input = makeImage(8, 6, PF_Pixel{255, 255, 255, 255});
  for (const auto& c : cases) {
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

}  // namespace
}  // namespace vantrel_reference
