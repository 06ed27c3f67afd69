// Numbered sequences: the two pattern forms, frames found in number order, the missing
// frame named, and pattern outputs that appear only when finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "MediaTestSupport.h"
#include "PngFile.h"

namespace {

using vantrel::InputSpec;
using vantrel::OutputSpec;
using vantrel_test::errorOf;
using vantrel_test::noisyPicture;
using vantrel_test::readAll;
using vantrel_test::TempFolder;

// Writes a frame per number whose first byte is the number, under `nameOf(number)`.
template <typename NameOf>
void writeFrames(const TempFolder& folder, const std::vector<long>& numbers, NameOf nameOf) {
  for (long number : numbers) {
    vantrel::RgbaImage frame = noisyPicture(3, 2);
    frame.rgba[0] = std::uint8_t(number);
    vantrel::writePng(folder.file(nameOf(number)), frame);
  }
}

// The numbers a source gives, each checked against its frame's first byte.
std::vector<long> numbersRead(vantrel::FrameSource& source) {
  std::vector<long> numbers;
  while (std::optional<vantrel::RgbaImage> frame = source.next()) {
    EXPECT_EQ(frame->rgba[0], std::uint8_t(source.lastNumber()));
    numbers.push_back(source.lastNumber());
  }
  return numbers;
}

std::string padded(long number, int width) {
  std::string digits = std::to_string(number);
  return std::string(std::size_t(std::max(0, width - int(digits.size()))), '0') + digits;
}

TEST(Sequence, PrintfPatternFindsItsFilesInNumberOrder) {
  TempFolder folder;
  writeFrames(folder, {10, 2, 9, 1}, [](long n) { return "shot_" + padded(n, 4) + ".png"; });
  // Names the pattern does not make: another width, other text, another extension.
  for (const char* other : {"shot_7.png", "shot_00003.png", "shot_0004a.png", "shot_0005.jpg", "take_0006.png"}) {
    vantrel::writePng(folder.file(other), noisyPicture(3, 2));
  }
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("shot_%04d.png")));
  EXPECT_EQ(source->count(), 4u);
  EXPECT_EQ(numbersRead(*source), (std::vector<long>{1, 2, 9, 10}));
}

TEST(Sequence, HashRunIsAsWideAsItIsLong) {
  TempFolder folder;
  writeFrames(folder, {3, 100, 12}, [](long n) { return "f." + padded(n, 3) + ".png"; });
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("f.###.png")));
  EXPECT_EQ(numbersRead(*source), (std::vector<long>{3, 12, 100}));
}

TEST(Sequence, UnpaddedFieldAndPickedFramesInTheirOrder) {
  TempFolder folder;
  writeFrames(folder, {1, 2, 3, 20}, [](long n) { return "p" + std::to_string(n) + ".png"; });
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("p%d.png"), {20, 1, 3}));
  EXPECT_EQ(source->count(), 3u);
  EXPECT_EQ(numbersRead(*source), (std::vector<long>{20, 1, 3}));
}

TEST(Sequence, MissingFrameIsNamedBeforeAnyIsRead) {
  TempFolder folder;
  writeFrames(folder, {1, 2, 4}, [](long n) { return "shot_" + padded(n, 4) + ".png"; });
  const std::string pattern = folder.file("shot_%04d.png");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(pattern, {1, 2, 3, 4})); }),
            folder.file("shot_0003.png") + ": no such file (frame 3 of " + pattern + ")");
}

TEST(Sequence, NothingMatchingIsAnError) {
  TempFolder folder;
  const std::string pattern = folder.file("none_####.png");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(pattern)); }), "no frames match " + pattern);
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("a_%02d_%02d.png"))); }),
            folder.file("a_%02d_%02d.png") + ": more than one frame number field in the name");
}

// A run that stops early keeps every frame it finished, under its own name.
TEST(Sequence, FinishedFramesKeepTheirNamesWhenTheRunStops) {
  TempFolder folder;
  {
    const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("out_%03d.png")), 0);
    sink->write(noisyPicture(4, 4, 1), 7);
    sink->write(noisyPicture(4, 4, 2), 8);
  }  // destroyed unfinished
  std::vector<std::string> names = folder.names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"out_007.png", "out_008.png"}));
  EXPECT_EQ(vantrel::readPng(folder.file("out_008.png")).rgba, noisyPicture(4, 4, 2).rgba);
}

TEST(Sequence, NoClobberRefusesEachExistingFrameAndReplacesNothing) {
  TempFolder folder;
  vantrel::writePng(folder.file("out_0002.png"), noisyPicture(2, 2, 5));
  const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("out_####.png"), 24, true), 2);
  sink->write(noisyPicture(2, 2), 1);
  EXPECT_EQ(errorOf([&] { sink->write(noisyPicture(2, 2), 2); }),
            folder.file("out_0002.png") + " exists; not replacing it (-n)");
  EXPECT_EQ(vantrel::readPng(folder.file("out_0002.png")).rgba, noisyPicture(2, 2, 5).rgba);
}

}  // namespace
