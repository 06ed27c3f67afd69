// Video files through the system's ffmpeg: a round trip, odd sizes, ffmpeg missing or
// failing, and no file or child process left behind by an unfinished output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "MediaTestSupport.h"

namespace {

using vantrel::InputSpec;
using vantrel::OutputSpec;
using vantrel_test::errorOf;
using vantrel_test::readAll;
using vantrel_test::smoothPicture;
using vantrel_test::TempFolder;

void writeVideo(const std::string& path, const std::vector<vantrel::RgbaImage>& frames, double fps = 24) {
  const auto sink = vantrel::openSink(vantrel_test::outputOf(path, fps), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) sink->write(frames[i], long(i));
  sink->finish();
}

// No child process of ours is left, running or unreaped.
bool noChildLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(VideoFiles, Mp4RoundTripKeepsCountRateAndOrder) {
  TempFolder folder;
  std::vector<vantrel::RgbaImage> frames;
  for (int i = 0; i < 5; ++i) frames.push_back(smoothPicture(64, 48, i));
  writeVideo(folder.file("clip.mp4"), frames, 25);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"clip.mp4"});

  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("clip.mp4")));
  EXPECT_EQ(source->count(), 5u);
  ASSERT_TRUE(source->fps());
  EXPECT_DOUBLE_EQ(source->fps()->value(), 25.0);
  const std::vector<vantrel::RgbaImage> read = readAll(*source);
  ASSERT_EQ(read.size(), 5u);
  EXPECT_EQ(source->lastNumber(), 4);
  for (std::size_t i = 0; i < 5; ++i) {
    ASSERT_EQ(read[i].width, 64u);
    ASSERT_EQ(read[i].height, 48u);
    // yuv420p is lossy; frames differ from each other by 40 in blue.
    EXPECT_LT(vantrel_test::meanColourDifference(read[i], frames[i]), 4.0) << i;
  }
  EXPECT_TRUE(noChildLeft());
}

TEST(VideoFiles, OddSizeIsPaddedToEvenForH264) {
  TempFolder folder;
  writeVideo(folder.file("odd.mkv"), {smoothPicture(33, 17)});
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("odd.mkv")));
  const std::vector<vantrel::RgbaImage> read = readAll(*source);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].width, 34u);
  EXPECT_EQ(read[0].height, 18u);
}

TEST(VideoFiles, WebmKeepsAlpha) {
  TempFolder folder;
  vantrel::RgbaImage frame = smoothPicture(32, 32);
  for (std::uint32_t y = 0; y < 32; ++y) {
    for (std::uint32_t x = 0; x < 16; ++x) frame.pixel(x, y)[3] = 0;
  }
  writeVideo(folder.file("alpha.webm"), {frame, frame});
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("alpha.webm")));
  const std::vector<vantrel::RgbaImage> read = readAll(*source);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_LT(read[1].pixel(4, 16)[3], 16);
  EXPECT_GT(read[1].pixel(28, 16)[3], 240);
}

TEST(VideoFiles, MissingFfmpegIsNamedWithItsPackage) {
  TempFolder folder;
  vantrel_test::writeBytes(folder.file("in.mov"), {0, 0, 0, 0});
  std::filesystem::create_directory(folder.file("empty"));
  const vantrel_test::ScopedEnvironment path("PATH", folder.file("empty"));
  EXPECT_EQ(errorOf([&] { vantrel::openSink(vantrel_test::outputOf(folder.file("out.mp4")), 0); }),
            "ffmpeg is not installed; it is needed for " + folder.file("out.mp4") + " (apt-get install ffmpeg)");
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("in.mov"))); }),
            "ffmpeg is not installed; it is needed for " + folder.file("in.mov") + " (apt-get install ffmpeg)");
  EXPECT_EQ(folder.names().size(), 2u);  // in.mov and the empty folder: no temporary left
}

TEST(VideoFiles, FfmpegsFailureCarriesItsLastLine) {
  TempFolder folder;
  vantrel_test::writeBytes(folder.file("broken.mp4"), {'n', 'o', 't', ' ', 'v', 'i', 'd', 'e', 'o'});
  const std::string message = errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("broken.mp4"))); });
  EXPECT_EQ(message, "cannot read " + folder.file("broken.mp4") + ": ffprobe: " + folder.file("broken.mp4") +
                         ": Invalid data found when processing input");

  const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("big.mp4")), 0);
  const std::string tooLarge = errorOf([&] {
    sink->write(smoothPicture(20000, 2), 0);  // beyond libx264's largest width
    sink->finish();
  });
  EXPECT_EQ(tooLarge.rfind("cannot write " + folder.file("big.mp4") + ": ffmpeg: ", 0), 0u) << tooLarge;
  EXPECT_TRUE(noChildLeft());
}

TEST(VideoFiles, UnfinishedOutputLeavesNoFileAndNoChild) {
  TempFolder folder;
  {
    const auto sink = vantrel::openSink(vantrel_test::outputOf(folder.file("cut.mp4")), 3);
    sink->write(smoothPicture(64, 48), 0);
    sink->write(smoothPicture(64, 48, 1), 1);
  }
  EXPECT_EQ(folder.names(), std::vector<std::string>{});
  EXPECT_TRUE(noChildLeft());
}

}  // namespace
