// Raw frames on pipes: rgba and argb byte order, a last frame cut short, and a reader
// that goes away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FrameIo.h"
#include "MediaTestSupport.h"
#include "PipeIo.h"
#include "RawFrames.h"

namespace {

using vantrel::OwnedFd;
using vantrel::PixelFormat;
using vantrel_test::errorOf;
using vantrel_test::noisyPicture;
using vantrel_test::readAll;

// Everything left in the pipe's read end.
std::vector<std::uint8_t> drain(const OwnedFd& fd) {
  std::vector<std::uint8_t> bytes(1 << 16);
  int error = 0;
  bytes.resize(vantrel::readFully(fd.get(), bytes.data(), bytes.size(), &error));
  return bytes;
}

TEST(RawFrames, ArgbAndRgbaRoundTripWithFfmpegsByteOrder) {
  const std::vector<vantrel::RgbaImage> frames = {noisyPicture(5, 3, 0), noisyPicture(5, 3, 1), noisyPicture(5, 3, 2)};
  for (PixelFormat format : {PixelFormat::Rgba, PixelFormat::Argb}) {
    vantrel::Pipe written = vantrel::makePipe();
    {
      vantrel::RawFrameSink sink(std::move(written.write), format);
      for (std::size_t i = 0; i < frames.size(); ++i) sink.write(frames[i], long(i));
      sink.finish();
    }
    const std::vector<std::uint8_t> bytes = drain(written.read);
    ASSERT_EQ(bytes.size(), 3u * 5 * 3 * 4);
    const std::uint8_t* first = frames[0].pixel(0, 0);
    const std::vector<std::uint8_t> expected =
        format == PixelFormat::Argb ? std::vector<std::uint8_t>{first[3], first[0], first[1], first[2]}
                                    : std::vector<std::uint8_t>{first[0], first[1], first[2], first[3]};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4), expected);

    vantrel::Pipe back = vantrel::makePipe();
    ASSERT_EQ(vantrel::writeFully(back.write.get(), bytes.data(), bytes.size()), 0);
    back.write.reset();
    vantrel::RawFrameSource source(std::move(back.read), 5, 3, format);
    const std::vector<vantrel::RgbaImage> read = readAll(source);
    ASSERT_EQ(read.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(read[i].rgba, frames[i].rgba) << i;
    EXPECT_EQ(source.lastNumber(), 2);
  }
}

TEST(RawFrames, ShortLastFrameIsAnError) {
  vantrel::Pipe pipe = vantrel::makePipe();
  const std::vector<std::uint8_t> bytes(4 * 2 * 4 + 10, 7);  // one 4x2 frame and 10 bytes
  ASSERT_EQ(vantrel::writeFully(pipe.write.get(), bytes.data(), bytes.size()), 0);
  pipe.write.reset();
  vantrel::RawFrameSource source(std::move(pipe.read), 4, 2, PixelFormat::Rgba);
  ASSERT_TRUE(source.next());
  EXPECT_EQ(errorOf([&] { source.next(); }),
            "raw input ended 10 bytes into frame 1 (4x2 rgba frames are 32 bytes)");
}

TEST(RawFrames, FramesFromARegularFileAreCounted) {
  vantrel_test::TempFolder folder;
  vantrel_test::writeBytes(folder.file("frames.raw"), std::vector<unsigned char>(3 * 2 * 2 * 4, 1));
  vantrel::RawFrameSource source(OwnedFd(open(folder.file("frames.raw").c_str(), O_RDONLY)), 2, 2, PixelFormat::Argb);
  EXPECT_EQ(source.count(), 3u);
  EXPECT_EQ(readAll(source).size(), 3u);
}

TEST(RawFrames, EmptyInputAndMissingSizeAreErrors) {
  vantrel::Pipe pipe = vantrel::makePipe();
  pipe.write.reset();
  vantrel::RawFrameSource source(std::move(pipe.read), 4, 2, PixelFormat::Rgba);
  EXPECT_EQ(errorOf([&] { source.next(); }), "raw input is empty: no frames came in");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf("-")); }),
            "raw frames on standard input need their size (--size WxH)");
}

TEST(RawFrames, ClosedReaderGivesAnErrorNotSigpipe) {
  vantrel::Pipe pipe = vantrel::makePipe();
  pipe.read.reset();
  vantrel::RawFrameSink sink(std::move(pipe.write), PixelFormat::Rgba);
  EXPECT_EQ(errorOf([&] { sink.write(noisyPicture(8, 8), 0); }),
            "cannot write raw frames: the reading end of the pipe was closed");
}

}  // namespace
