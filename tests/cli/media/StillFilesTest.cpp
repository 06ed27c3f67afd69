// Single pictures in and out: JPEG through libjpeg-turbo, the 16-bit PNG note, file types
// by name, -n, and outputs that appear only when finished.
#include <gtest/gtest.h>
#include <png.h>

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
  for (std::size_t i = 3; i < original.rgba.size(); i += 4) original.rgba[i] = 90;  // alpha is not kept
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
  EXPECT_LT(vantrel_test::meanColourDifference(frames[0], original), 2.0);
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

TEST(StillFiles, UnknownTypeIsRefusedWithTheKnownOnes) {
  TempFolder folder;
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("a.tiff"))); }),
            folder.file("a.tiff") +
                " is of an unknown type (.tiff); known: .png, .jpg, .jpeg, .mp4, .mov, .mkv, .avi, .webm, .gif, or - "
                "for raw frames");
  EXPECT_EQ(errorOf([&] { vantrel::openSink(vantrel_test::outputOf(folder.file("out")), 1); }),
            folder.file("out") +
                " has no file type extension; known: .png, .jpg, .jpeg, .mp4, .mov, .mkv, .avi, .webm, .gif, or - for "
                "raw frames");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("gone.png"))); }),
            folder.file("gone.png") + ": no such file");
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
