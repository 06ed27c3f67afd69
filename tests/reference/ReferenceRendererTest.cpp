// Checks of the CPU reference renderer against values that follow from geometry and
// arithmetic alone, so that the oracle for GPU frames is itself trustworthy.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ReferenceRenderer.h"

// Pixel comparisons for the checks below; PF_Pixel lives in the global namespace.
static bool operator==(const PF_Pixel& l, const PF_Pixel& r) {
  return l.alpha == r.alpha && l.red == r.red && l.green == r.green && l.blue == r.blue;
}

static std::ostream& operator<<(std::ostream& out, const PF_Pixel& p) {
  return out << "(" << int(p.alpha) << ", " << int(p.red) << ", " << int(p.green) << ", " << int(p.blue) << ")";
}

namespace vantrel_reference {
namespace {

TEST(ReferenceEdgeStrength, FollowsTheShadowAndStrokeRamps) {
  const struct {
    const char* name;
    double d, width;
    bool shadow;
    double expected;
  } cases[] = {
      {"shadow half way", -4, 10, true, 0.5},
      {"shadow of width 0 near the line", 0.5, 0, true, 0},
      {"shadow on the line d = 1", 1, 100, true, 0},
      {"stroke half way out", -9.5, 10, false, 0.5},
      {"stroke at the boundary", 0, 10, false, 1},
      {"stroke beyond its ramp", -10, 10, false, 0},
      {"stroke of width 0 at the boundary", 0, 0, false, 0},
      {"stroke on the line d = 1", 1, 10, false, 0},
  };
  for (const auto& c : cases) EXPECT_NEAR(edgeStrength(c.d, c.width, c.shadow), c.expected, 1e-9) << c.name;
}

TEST(ReferenceEightBitChain, UnpremultipliesTheQuantisedLayer) {
  const struct {
    const char* name;
    Rgba premultiplied;
    PF_Pixel expected;
  } cases[] = {
      {"opaque", {200 / 255.0, 100 / 255.0, 50 / 255.0, 1.0}, {255, 200, 100, 50}},
      {"half transparent", {100 / 255.0, 50 / 255.0, 25 / 255.0, 128 / 255.0}, {128, 199, 100, 50}},
      {"transparent", {0.3, 0.2, 0.1, 0.0}, {0, 0, 0, 0}},
      {"alpha below half a step", {0.001, 0.001, 0.001, 0.001}, {0, 0, 0, 0}},
      {"alpha of one step", {0.6 / 255.0, 0.4 / 255.0, 1.0 / 255.0, 1.0 / 255.0}, {1, 255, 0, 255}},
  };
  for (const auto& c : cases) EXPECT_EQ(storeAndConvert(c.premultiplied), c.expected) << c.name;
}

// Instance 1, filled inside a circle of radius 103 about the centre of an 8 x 8 frame,
// shows the layer turned by the rotation offset (clockwise in the image, +y down) wherever
// instance 0, a circle of radius 3 on top, is transparent (|q| >= 3).
TEST(ReferenceFrame, ASecondInstanceShowsTheLayerTurnedClockwise) {
  const struct {
    double degrees;
    int (*sourceX)(int x, int y);
    int (*sourceY)(int x, int y);
  } turns[] = {
      {180, [](int x, int) { return 7 - x; }, [](int, int y) { return 7 - y; }},
      {90, [](int, int y) { return y; }, [](int x, int) { return 7 - x; }},
      {-90, [](int, int y) { return 7 - y; }, [](int x, int) { return x; }},
  };
  Image input = makeImage(8, 8);
  for (int i = 0; i < 64; ++i) input.pixels[std::size_t(i)] = PF_Pixel{255, A_u_char(4 * i), A_u_char(255 - i), 9};
  for (const auto& turn : turns) {
    SceneValues values;
    values.instances = 2;
    values.fillType = 2;
    values.shapeSize1 = 3;
    values.shapeSize1Offset = 100;
    values.rotationOffset = turn.degrees;
    values.scaleXOffset = values.scaleYOffset = 0;
    values.shadowOpacity = 0;
    const Image output = renderReference(input, values);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        if (std::hypot(x + 0.5 - 4, y + 0.5 - 4) < 3) continue;
        EXPECT_EQ(output.at(x, y), input.at(turn.sourceX(x, y), turn.sourceY(x, y)))
            << turn.degrees << " degrees, pixel (" << x << ", " << y << ")";
      }
    }
  }
}

// Over a transparent background, instance 0 is empty (size 0 filled inside) and instance
// 1 covers a white frame at the opacity 1 - opacity offset.
TEST(ReferenceFrame, OpacityOffsetFadesTheSecondInstance) {
  const struct {
    double opacityOffset;
    PF_Pixel expected;
  } cases[] = {{0, {255, 255, 255, 255}}, {60, {102, 255, 255, 255}}, {100, {0, 0, 0, 0}}, {150, {0, 0, 0, 0}}};
  const Image input = makeImage(8, 6, PF_Pixel{255, 255, 255, 255});
  for (const auto& c : cases) {
    SceneValues values;
    values.instances = 2;
    values.fillType = 2;
    values.shapeSize1 = 0;
    values.shapeSize1Offset = 100;
    values.shadowOpacity = 0;
    values.transparentBackground = true;
    values.opacityOffset = c.opacityOffset;
    for (const PF_Pixel& p : renderReference(input, values).pixels) {
      ASSERT_EQ(p, c.expected) << "opacity offset " << c.opacityOffset;
    }
  }
}

}  // namespace
}  // namespace vantrel_reference
