// GPU frames through the substitute host against the CPU reference renderer, channel by
// channel, within the tolerance of ReferenceTolerance.h.
//
// The edge (shadow or stroke) cuts off hard at d = 1, so a pixel centre within float
// rounding of that line could fall either way; the scenes use offsets that keep pixel
// rows off such lines (a scale step of 5 % with a move of 6 pixels puts a row of a
// rectangle's instance exactly on d = 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ReferenceRenderer.h"
#include "ReferenceTolerance.h"
#include "RenderHost.h"
#include "SceneOnHost.h"

namespace {

using vantrel_reference::SceneValues;

struct Scene {
  std::string name;
  std::function<void(SceneValues&)> change;
  A_long width = 96, height = 64;
  A_u_long downsample = 1;
  A_long inputPadding = 0, outputPadding = 0;
  A_long outputWidth = width, outputHeight = height;
};
void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.name; }  // for ctest's listing

// A small frame keeps every part of every shape in view.
SceneValues baseScene() {
  SceneValues v;
  v.shapeSize1 = 48;
  v.shapeSize2 = 16;
  v.shadowSize = 20;
  v.strokeSize = 6;
  v.shadowColor = PF_Pixel{255, 200, 40, 10};
  v.strokeColor = PF_Pixel{230, 20, 220, 90};
  v.shadowOpacity = 70;
  v.instances = 3;
  v.positionXOffset = 14;
  v.positionYOffset = -6.3;
  v.scaleXOffset = 15;
  v.scaleYOffset = 4.7;
  return v;
}

std::vector<Scene> scenes() {
  static const char* const shapes[] = {"Circle", "Ring",    "Cross",  "Triangle", "Rectangle",
                                       "Hexagon", "Octagon", "TShape", "Chevron"};
  std::vector<Scene> list;
  for (int shape = 1; shape <= 9; ++shape) {
    for (int fill = 1; fill <= 2; ++fill) {
      for (int edge = 1; edge <= 2; ++edge) {
        list.push_back({std::string(shapes[shape - 1]) + (fill == 1 ? "Outside" : "Inside") +
                            (edge == 1 ? "Shadow" : "Stroke"),
                        [=](SceneValues& v) {
                          v.shapeType = shape;
                          v.fillType = fill;
                          v.edgeType = edge;
                          if (shape == 3 || shape == 8) v.shapeSize2 = 6;  // bars that show
                        }});
      }
    }
  }
  list.push_back({"TransparentBackground", [](SceneValues& v) { v.transparentBackground = true; }});
  list.push_back({"TransparentInsideStroke", [](SceneValues& v) {
                    v.transparentBackground = true;
                    v.fillType = 2;
                    v.edgeType = 2;
                  }});
  list.push_back({"EchoesMovedAndFaded", [](SceneValues& v) {
                    v.instances = 8;
                    v.positionXOffset = -30;
                    v.positionYOffset = 25;
                    v.opacityOffset = 12;
                    v.shapeSize1Offset = -4;
                    v.shapeSize2Offset = 2;
                  }});
  list.push_back({"EchoesThroughZeroScale", [](SceneValues& v) {
                    v.instances = 14;  // instance 10 has scale 0, the later ones turn over
                    v.scaleXOffset = 10;
                    v.scaleYOffset = 10;
                    v.positionXOffset = 3;
                  }});
  list.push_back({"EchoesTurned", [](SceneValues& v) {
                    v.instances = 6;
                    v.rotationOffset = 33;
                    v.scaleXOffset = -20;
                  }});
  list.push_back({"RotatedShapeOffCentre", [](SceneValues& v) {
                    v.shapeType = 5;
                    v.rotation = 27.5;
                    v.centerAtDefault = false;
                    v.centerX = 30.5;
                    v.centerY = 20.25;
                  }});
  list.push_back({"MaximumInstances", [](SceneValues& v) {  // small octagons apart, the last one too
                    v.shapeType = 7;
                    v.fillType = 2;
                    v.shapeSize1 = 6;
                    v.instances = 20;
                    v.positionXOffset = 2.3;
                    v.positionYOffset = -1.5;
                    v.scaleXOffset = v.scaleYOffset = 0;
                    v.rotationOffset = -9;
                  }});
  list.push_back({"DownsampleTwo", [](SceneValues& v) { v.shapeType = 9; }, 48, 32, 2});
  list.push_back({"PaddedRows", [](SceneValues& v) { v.shapeType = 2; }, 61, 37, 1, 12, 20});
  list.push_back({"OutputNarrowerAndShorter", [](SceneValues&) {}, 96, 64, 1, 0, 16, 70, 40});
  list.push_back({"OutputWiderAndTaller", [](SceneValues&) {}, 96, 64, 1, 0, 16, 110, 80});
  return list;
}

// A frame's pixels within width x height, without its row padding, as the reference holds a picture.
template <typename Picture>
vantrel_reference::Image referenceImage(const Picture& picture, A_long width, A_long height) {
  vantrel_reference::Image image = vantrel_reference::makeImage(width, height);
  for (A_long y = 0; y < height; ++y) {
    for (A_long x = 0; x < width; ++x) image.at(x, y) = picture.at(x, y);
  }
  return image;
}

class ReferenceScene : public testing::TestWithParam<Scene> {};

TEST_P(ReferenceScene, MatchesTheReference) {
  const Scene& scene = GetParam();
  vantrel_test::RenderHost fixture;
  if (!fixture.ready) GTEST_SKIP() << "no OpenGL here";

  SceneValues values = baseScene();
  scene.change(values);
  vantrel_test::applyScene(values, *fixture.instance);

  minihost::World input = vantrel_test::testPicture(scene.width, scene.height, scene.inputPadding);
  // An output of its own size, with rows beyond its height that a write past it would reach.
  minihost::World output(scene.outputWidth, std::max(scene.outputHeight, scene.height) + 1, scene.outputPadding);
  output.layer().height = scene.outputHeight;
  std::memset(output.bytes().data(), 0x77, output.bytes().size());
  minihost::FrameTime time;
  time.downsample = scene.downsample;
  ASSERT_EQ(fixture.host.render(*fixture.instance, input, output, time), PF_Err_NONE);

  const vantrel_reference::Image expected =
      vantrel_reference::renderReference(referenceImage(input, scene.width, scene.height), values, scene.downsample);
  const A_long width = std::min(scene.width, scene.outputWidth), height = std::min(scene.height, scene.outputHeight);
  EXPECT_EQ(vantrel_test::countOutliers(referenceImage(output, width, height), referenceImage(expected, width, height)), 0)
      << "pixels outside the tolerance";

  // Outside what both sizes hold, row padding included, the output is the host's: never written.
  const auto rowBytes = std::size_t(output.rowbytes());
  for (std::size_t b = 0; b < output.bytes().size(); ++b) {
    const bool written = A_long(b / rowBytes) < height && A_long(b % rowBytes) < width * 4;
    ASSERT_TRUE(written || output.bytes()[b] == 0x77) << "byte " << b % rowBytes << " of row " << b / rowBytes;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ReferenceScene, testing::ValuesIn(scenes()),
                         [](const testing::TestParamInfo<Scene>& param) { return param.param.name; });

}  // namespace
