// Single pictures in and out: JPEG through libjpeg-turbo, the 16-bit PNG note, file types
// by name, -n, and outputs that appear only when finished.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "JpegFile.h"
#include "MediaTestSupport.h"
#include "PngFile.h"

namespace {

using vantrel::InputSpec;
using vantrel::OutputSpec;
using vantrel_test::errorOf;
using vantrel_test::noisyPicture;
using vantrel_test::readAll;
using vantrel_test::smoothPicture;
using vantrel_test::TempFolder;

TEST(StillFiles, JpegRoundTripIsOpaqueAndClose) {
  TempFolder folder;
  vantrel::RgbaImage original = smoothPicture(67, 33);
  for (std::size_t i = 3; i < original.rgba.size(); i += 4) original.rgba[i] = 90;
  vantrel::RgbaImage onBlack = original;  // JPEG holds no alpha: what shows is the picture over black
  vantrel::compositeOntoBlack(onBlack);
  {
    const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("a.JPG")), 1);
    sink->write(original, 0);
    sink->finish();
  }
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("a.JPG")));
  const std::vector<vantrel::RgbaImage> frames = readAll(*source);
  ASSERT_EQ(frames.size(), 1u);
  ASSERT_EQ(frames[0].width, 67u);
  ASSERT_EQ(frames[0].height, 33u);
  EXPECT_LT(vantrel_test::meanColourDifference(frames[0], onBlack), 2.0);
  for (std::size_t i = 3; i < frames[0].rgba.size(); i += 4) ASSERT_EQ(frames[0].rgba[i], 255);
}

TEST(StillFiles, TruncatedJpegIsAnError) {
  TempFolder folder;
  vantrel::writeJpeg(folder.file("whole.jpg"), smoothPicture(64, 64));
  std::vector<unsigned char> bytes = vantrel_test::readBytes(folder.file("whole.jpg"));
  bytes.resize(bytes.size() / 2);
  vantrel_test::writeBytes(folder.file("cut.jpg"), bytes);
  EXPECT_EQ(errorOf([&] { vantrel::readJpeg(folder.file("cut.jpg")); }),
            "cannot read " + folder.file("cut.jpg") + ": Premature end of JPEG file");
  vantrel_test::writeBytes(folder.file("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(errorOf([&] { vantrel::readJpeg(folder.file("text.jpg")); }),
            "cannot read " + folder.file("text.jpg") + ": Not a JPEG file: starts with 0x68 0x65");
}

TEST(StillFiles, SixteenBitNoteIsGivenOncePerRun) {
  TempFolder folder;
  const png_uint_16 deep[] = {0, 0x8080, 0xFFFF, 0xFFFF, 0x1000, 0x2000};
  for (const char* name : {"deep_1.png", "deep_2.png", "deep_3.png"}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = PNG_FORMAT_LINEAR_RGB;
    ASSERT_NE(png_image_write_to_file(&image, folder.file(name).c_str(), 0, deep, 0, nullptr), 0);
  }
  const vantrel_test::CommandResult run = vantrel_test::runInChild(folder, [&] {
    const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("deep_%d.png")));
    if (readAll(*source).size() != 3) throw std::runtime_error("not three frames");
  });
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "vantrel: note: " + folder.file("deep_1.png") + " has 16-bit samples; they are reduced to 8 bits\n");
}

// An input is what its bytes say; an output is what its name says.
TEST(StillFiles, InputsByContentOutputsByName) {
  TempFolder folder;
  vantrel::writePng(folder.file("png.jpg"), noisyPicture(3, 2));
  vantrel::writeJpeg(folder.file("jpeg.png"), smoothPicture(16, 8));
  const auto firstOf = [&](const char* name) {
    return readAll(*vantrel::openSource(vantrel_test::inputOf(folder.file(name))))[0];
  };
  EXPECT_EQ(firstOf("png.jpg").rgba, noisyPicture(3, 2).rgba);
  EXPECT_EQ(firstOf("jpeg.png").width, 16u);
  EXPECT_EQ(errorOf([&] { vantrel::openSink(vantrel_test::outputOf(folder.file("out")), 1); }),
            folder.file("out") +
                " has no file type extension; known: .png, .jpg, .jpeg, .mp4, .m4v, .mov, .mkv, .avi, .webm, .gif, or "
                "- for raw frames");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("gone.tiff"))); }),
            folder.file("gone.tiff") + ": no such file");
}

// Each EXIF orientation and the quadrants of a picture stored as red, green / blue, white,
// as shown: top left, top right, bottom left, bottom right.
struct Orientation {
  int value;
  const char* shown;
};

const Orientation kOrientations[] = {{1, "RGBW"}, {2, "GRWB"}, {3, "WBGR"}, {4, "BWRG"},
                                     {5, "RBGW"}, {6, "BRWG"}, {7, "WGBR"}, {8, "GWRB"}};

// An APP1 Exif segment holding one IFD entry, the orientation, put after the SOI marker.
std::vector<unsigned char> withOrientation(std::vector<unsigned char> jpeg, int orientation, bool bigEndian) {
  std::vector<unsigned char> tiff = {static_cast<unsigned char>(bigEndian ? 'M' : 'I'),
                                     static_cast<unsigned char>(bigEndian ? 'M' : 'I')};
  const auto put = [&](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      tiff.push_back(static_cast<unsigned char>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    }
  };
  put(42, 2);
  put(8, 4);  // the IFD right after the header
  put(1, 2);  // one entry: the orientation, a SHORT
  put(0x0112, 2);
  put(3, 2);
  put(1, 4);
  put(std::uint32_t(orientation), 2);
  put(0, 2);
  put(0, 4);  // no next IFD
  const auto length = static_cast<unsigned char>(8 + tiff.size());  // with its own two bytes
  std::vector<unsigned char> segment = {0xFF, 0xE1, 0, length, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

// The colours at the centres of the quadrants, each as the nearest of R, G, B and W.
std::string quadrants(const vantrel::RgbaImage& image) {
  std::string shown;
  for (std::uint32_t y : {image.height / 4, image.height * 3 / 4}) {
    for (std::uint32_t x : {image.width / 4, image.width * 3 / 4}) {
      const std::uint8_t* p = image.pixel(x, y);
      shown += p[0] > 128 ? (p[1] > 128 ? 'W' : 'R') : (p[1] > 128 ? 'G' : 'B');
    }
  }
  return shown;
}

TEST(StillFiles, JpegIsTurnedAsItsExifSays) {
  TempFolder folder;
  vantrel::RgbaImage stored(64, 32);
  for (std::uint32_t y = 0; y < 32; ++y) {
    for (std::uint32_t x = 0; x < 64; ++x) {
      const bool right = x >= 32, bottom = y >= 16;
      std::uint8_t* p = stored.pixel(x, y);
      p[0] = (!bottom && !right) || (bottom && right) ? 255 : 0;
      p[1] = right ? 255 : 0;
      p[2] = bottom ? 255 : 0;
      p[3] = 255;
    }
  }
  vantrel::writeJpeg(folder.file("plain.jpg"), stored);
  const std::vector<unsigned char> plain = vantrel_test::readBytes(folder.file("plain.jpg"));
  for (const Orientation& o : kOrientations) {
    for (bool bigEndian : {false, true}) {
      const std::string path = folder.file("turned.jpg");
      vantrel_test::writeBytes(path, withOrientation(plain, o.value, bigEndian));
      const vantrel::RgbaImage shown = readAll(*vantrel::openSource(vantrel_test::inputOf(path)))[0];
      EXPECT_EQ(quadrants(shown), o.shown) << o.value << (bigEndian ? " MM" : " II");
      EXPECT_EQ(shown.width, o.value >= 5 ? 32u : 64u) << o.value;
      InputSpec asStored = vantrel_test::inputOf(path);
      asStored.autoOrient = false;
      EXPECT_EQ(quadrants(readAll(*vantrel::openSource(asStored))[0]), "RGBW") << o.value;
    }
  }
}

// A PNG that can be transparent says so, for a video output to keep the alpha.
TEST(StillFiles, PngWithAlphaSaysSo) {
  TempFolder folder;
  const png_byte pixels[] = {10, 20, 30, 40, 50, 60, 70, 80};
  const png_byte colours[] = {0, 0, 0, 0, 255, 255, 255, 255};  // RGBA: transparent, white
  const png_byte indices[] = {0, 1};
  const struct {
    const char* name;
    png_uint_32 format;
    const png_byte* data;
    bool alpha;
  } cases[] = {{"rgb.png", PNG_FORMAT_RGB, pixels, false},
               {"grey_alpha.png", PNG_FORMAT_GA, pixels, true},
               {"rgba.png", PNG_FORMAT_RGBA, pixels, true},
               {"palette_trns.png", PNG_FORMAT_RGBA_COLORMAP, indices, true}};
  for (const auto& c : cases) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = c.format;
    image.colormap_entries = 2;
    ASSERT_NE(png_image_write_to_file(&image, folder.file(c.name).c_str(), 0, c.data, 0, colours), 0) << c.name;
    EXPECT_EQ(vantrel::openSource(vantrel_test::inputOf(folder.file(c.name)))->traits().hasAlpha, c.alpha) << c.name;
  }
  std::filesystem::copy_file(folder.file("rgba.png"), folder.file("seq_1.png"));
  EXPECT_TRUE(vantrel::openSource(vantrel_test::inputOf(folder.file("seq_%d.png")))->traits().hasAlpha);
}

TEST(StillFiles, NoClobberRefusesBeforeAnyWork) {
  TempFolder folder;
  vantrel::writePng(folder.file("keep.png"), noisyPicture(2, 2));
  EXPECT_EQ(errorOf([&] { vantrel::openSink(vantrel_test::outputOf(folder.file("keep.png"), 24, true), 1); }),
            folder.file("keep.png") + " exists; not replacing it (-n)");
  EXPECT_EQ(vantrel::readPng(folder.file("keep.png")).rgba, noisyPicture(2, 2).rgba);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"keep.png"});
}

TEST(StillFiles, UnfinishedOutputLeavesNothingAndOldFileStays) {
  TempFolder folder;
  vantrel::writePng(folder.file("old.png"), noisyPicture(2, 2));
  {
    const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("old.png")), 1);
    sink->write(noisyPicture(5, 5, 3), 0);
    const auto fresh = vantrel::openSink(vantrel_test::outputOf(folder.file("new.jpg")), 1);
    fresh->write(smoothPicture(5, 5), 0);
  }
  EXPECT_EQ(folder.names(), std::vector<std::string>{"old.png"});
  EXPECT_EQ(vantrel::readPng(folder.file("old.png")).rgba, noisyPicture(2, 2).rgba);
}

TEST(StillFiles, OneFileTakesOneFrame) {
  TempFolder folder;
  const std::string expected = "cannot write " + folder.file("one.png") +
                               ": it holds one picture, but there is more than one frame; name a numbered pattern "
                               "such as " + folder.file("one_%04d.png") + " for a sequence";
  EXPECT_EQ(errorOf([&] { vantrel::openSink(vantrel_test::outputOf(folder.file("one.png")), 2); }), expected);
  const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("one.png")), 0);
  sink->write(noisyPicture(2, 2), 0);
  EXPECT_EQ(errorOf([&] { sink->write(noisyPicture(2, 2), 1); }), expected);
}

}  // namespace
