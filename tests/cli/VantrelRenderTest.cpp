// `vantrel render`, run as a person runs it, against the CPU reference renderer: controls
// set one by one, keyed over time, and carried in a preset file, and numbered sequences.
//
// Pixels must match within ReferenceTolerance.h's tolerance, as in the render tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "PngFile.h"
#include "ReferenceRenderer.h"
#include "ReferenceTolerance.h"

namespace {

using vantrel_test::runVantrel;
using vantrel_test::TempFolder;

// Colour and alpha that vary across the picture, and a checker in blue.
vantrel::RgbaImage testPicture(std::uint32_t width, std::uint32_t height) {
  vantrel::RgbaImage image(width, height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = image.pixel(x, y);
      p[0] = std::uint8_t(x * 255 / (width - 1));
      p[1] = std::uint8_t(y * 255 / (height - 1));
      p[2] = ((x / 7 + y / 5) % 2) ? 230 : 30;
      p[3] = std::uint8_t(255 - (x + 2 * y) % 256);
    }
  }
  return image;
}

// The scene that kSettings set, in the reference's terms.
vantrel_reference::SceneValues hexagonScene() {
  vantrel_reference::SceneValues v;
  v.shapeType = 6, v.shapeSize1 = 48, v.shapeSize2 = 16, v.instances = 3;
  v.shadowSize = 20, v.shadowColor = PF_Pixel{255, 200, 40, 10}, v.shadowOpacity = 70;
  v.positionXOffset = 14, v.positionYOffset = -6.3, v.scaleXOffset = 15, v.scaleYOffset = 4.7;
  return v;
}

const std::vector<std::string> kSettings = {
    "--set", "Shape Type=Hexagon",   "--set", "Shape Size 1=48",      "--set", "Shape Size 2=16",
    "--set", "Shadow Size=20",       "--set", "Shadow Color=#C8280A", "--set", "Shadow Opacity=70",
    "--set", "Instances=3",          "--set", "Position X Offset=14", "--set", "Position Y Offset=-6.3",
    "--set", "Scale X Offset=15",    "--set", "Scale Y Offset=4.7"};

std::vector<std::string> withSettings(std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), kSettings.begin(), kSettings.end());
  return arguments;
}

// The picture in the reference's pixel layout.
vantrel_reference::Image referenceImage(const vantrel::RgbaImage& image) {
  vantrel_reference::Image picture = vantrel_reference::makeImage(int(image.width), int(image.height));
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.pixel(x, y);
      picture.at(int(x), int(y)) = PF_Pixel{p[3], p[0], p[1], p[2]};
    }
  }
  return picture;
}

// The pixels of `output` outside the tolerance of the reference's frame of `input`.
int outliers(const vantrel::RgbaImage& input, const vantrel::RgbaImage& output,
             const vantrel_reference::SceneValues& values) {
  return vantrel_test::countOutliers(referenceImage(output),
                                     vantrel_reference::renderReference(referenceImage(input), values));
}

TEST(VantrelRender, ControlsSetOneByOneMatchTheReference) {
  TempFolder folder;
  const vantrel::RgbaImage input = testPicture(96, 64);
  vantrel::writePng(folder.file("in.png"), input);
  vantrel_test::writeBytes(folder.file("out.png"), {'o', 'l', 'd'});

  const auto r = runVantrel(withSettings({"render", folder.file("in.png"), "-o", folder.file("out.png")}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  // The old output was replaced whole, and no temporary is left beside it.
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"in.png", "out.png"}));
  const vantrel::RgbaImage output = vantrel::readPng(folder.file("out.png"));
  ASSERT_EQ(output.width, 96u);
  ASSERT_EQ(output.height, 64u);
  EXPECT_EQ(outliers(input, output, hexagonScene()), 0);
}

// Frame 6 at 24 frames a second is a quarter second in: a quarter of the way from the key
// at 0 s to the one at 1 s. The preset saved with the keys renders that frame again.
TEST(VantrelRender, KeyedControlsAndTheirPresetMatchTheReference) {
  TempFolder folder;
  const vantrel::RgbaImage input = testPicture(96, 64);
  vantrel::writePng(folder.file("in.png"), input);

  std::vector<std::string> keyed = withSettings({"render", folder.file("in.png"), "-o", folder.file("keyed.png"),
                                                 "--frames", "6", "--save-preset", folder.file("look.json")});
  keyed.insert(keyed.end(), {"--set", "Shape Rotation=0@0s;90@1s"});
  const auto r = runVantrel(keyed);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto again = runVantrel({"render", folder.file("in.png"), "-o", folder.file("preset.png"), "--frames", "6",
                                 "--preset", folder.file("look.json")});
  ASSERT_EQ(again.exitCode, 0) << again.err;

  const vantrel::RgbaImage output = vantrel::readPng(folder.file("keyed.png"));
  EXPECT_EQ(vantrel::readPng(folder.file("preset.png")).rgba, output.rgba);
  vantrel_reference::SceneValues turned = hexagonScene();
  turned.rotation = 22.5;
  EXPECT_EQ(outliers(input, output, turned), 0);
}

// Each frame of a sequence found in its folder at its own time (the keys turn the shape
// 4° a frame at 24 frames a second), under its own number. Names are UTF-8 (on Windows,
// the folder joined with '\\' and a '/' inside the output's name).
TEST(VantrelRender, SequenceFramesMatchTheReferenceAtTheirTimes) {
  TempFolder folder;
  const vantrel::RgbaImage input = testPicture(64, 48);
  for (const char* name : {"shot_é0001.png", "shot_é0002.png", "shot_é0003.png"}) vantrel::writePng(folder.file(name), input);
  std::filesystem::create_directory(std::filesystem::u8path(folder.file("Bilder ö 名")));
  const auto r = runVantrel(withSettings({"render", folder.file("shot_é%04d.png"), "-o", folder.file("Bilder ö 名/fx_####.png"),
                                          "--set", "Shape Rotation=0@0s;96@1s"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(folder.names().size(), 4u);
  for (int frame = 1; frame <= 3; ++frame) {
    vantrel_reference::SceneValues turned = hexagonScene();
    turned.rotation = 4.0 * frame;
    const vantrel::RgbaImage output = vantrel::readPng(folder.file("Bilder ö 名/fx_000" + std::to_string(frame) + ".png"));
    EXPECT_EQ(outliers(input, output, turned), 0) << "frame " << frame;
  }
}

}  // namespace
