// Video inputs made by the system's ffmpeg: each frame's own time, trimming and picking
// by the file's frames, what a stream carries over, and files told by their content.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "MediaTestSupport.h"
#include "PngFile.h"

namespace {

using vantrel::InputSpec;
using vantrel_test::errorOf;
using vantrel_test::readAll;
using vantrel_test::TempFolder;

// Runs ffmpeg with `arguments` and `path` as its output.
void makeWithFfmpeg(const std::string& arguments, const std::string& path) {
  const std::string command = "ffmpeg -nostdin -v error -y " + arguments + " '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Gaps of 0.05, 0.15, 0.25... s: a variable frame rate, in a container without a frame count.
TEST(VideoInput, FramesKeepTheirOwnTimes) {
  TempFolder folder;
  makeWithFfmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -vf settb=1/1000,setpts=N*N*50 "
                 "-fps_mode passthrough -enc_time_base 1/1000 -c:v libx264",
                 folder.file("vfr.mkv"));
  const auto source = vantrel::openSource(vantrel_test::inputOf(folder.file("vfr.mkv")));
  EXPECT_EQ(source->count(), 10u);
  std::vector<double> times;
  while (source->next()) times.push_back(source->lastTime().value_or(-1));
  ASSERT_EQ(times.size(), 10u);
  for (std::size_t n = 0; n < 10; ++n) EXPECT_NEAR(times[n], 0.05 * double(n * n), 1e-6) << n;
}

struct PickCase {
  const char* name;
  const char* file;  // clip.mp4 (indexed) or clip.ts (decoded from its start), 2 s at 25 fps
  std::optional<double> start, duration;
  std::vector<long> frames;
  std::vector<long> expected;  // the file's frame numbers given
  std::optional<double> audioStart, audioDuration;
};

void PrintTo(const PickCase& c, std::ostream* os) { *os << c.name; }

const PickCase kPicks[] = {
    {"SpanInMp4", "clip.mp4", 0.5, 0.3, {}, {13, 14, 15, 16, 17, 18, 19}, 0.52, 0.28},
    {"SpanInTs", "clip.ts", 0.5, 0.3, {}, {13, 14, 15, 16, 17, 18, 19}, std::nullopt, std::nullopt},
    {"StartToTheEnd", "clip.mp4", 1.9, std::nullopt, {}, {48, 49}, 1.92, std::nullopt},
    {"DurationFromTheStart", "clip.mp4", std::nullopt, 0.1, {}, {0, 1, 2}, 0.0, 0.12},
    {"FramesByNumber", "clip.mp4", std::nullopt, std::nullopt, {10, 15, 20, 45}, {10, 15, 20, 45}, 0.4, 1.44},
    {"FramesByNumberInTs", "clip.ts", std::nullopt, std::nullopt, {30, 31, 49}, {30, 31, 49}, std::nullopt,
     std::nullopt},
};

class VideoPick : public ::testing::TestWithParam<PickCase> {};

// The frames given are the file's own, at their own times, whatever ffmpeg seeks to.
TEST_P(VideoPick, GivesTheFilesFrames) {
  const PickCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.file(c.file);
  makeWithFfmpeg("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i sine=duration=2 -c:v libx264 "
                 "-g 12 -pix_fmt yuv420p -shortest",
                 path);
  const std::vector<vantrel::RgbaImage> all = readAll(*vantrel::openSource(vantrel_test::inputOf(path)));
  ASSERT_EQ(all.size(), 50u);

  InputSpec input = vantrel_test::inputOf(path, c.frames);
  input.start = c.start;
  input.duration = c.duration;
  const auto source = vantrel::openSource(input);
  EXPECT_EQ(source->count(), c.expected.size());
  std::vector<long> numbers;
  while (std::optional<vantrel::RgbaImage> frame = source->next()) {
    const long number = source->lastNumber();
    numbers.push_back(number);
    EXPECT_EQ(frame->rgba, all[std::size_t(number)].rgba) << number;
    EXPECT_NEAR(source->lastTime().value_or(-1), double(number) / 25, 1e-6);
  }
  EXPECT_EQ(numbers, c.expected);
  const vantrel::StreamTraits traits = source->traits();
  EXPECT_EQ(traits.audioFile, path);
  if (!c.audioStart) return;  // the audio's offset in a TS is the muxer's
  EXPECT_NEAR(traits.audioStart.value_or(-1), *c.audioStart, 1e-6);
  EXPECT_NEAR(traits.audioDuration.value_or(-1), c.audioDuration.value_or(-1), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Table, VideoPick, ::testing::ValuesIn(kPicks),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(VideoInput, RefusesPicksAndSpansItCannotGive) {
  TempFolder folder;
  const std::string clip = folder.file("clip.mp4");
  makeWithFfmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -c:v libx264", clip);
  vantrel::writePng(folder.file("still.png"), vantrel_test::noisyPicture(2, 2));
  const auto refusal = [&](const std::string& path, std::vector<long> frames, std::optional<double> start,
                           std::optional<double> duration = std::nullopt) {
    InputSpec input = vantrel_test::inputOf(path, std::move(frames));
    input.start = start;
    input.duration = duration;
    return errorOf([&] { vantrel::openSource(input); });
  };
  EXPECT_EQ(refusal(clip, {5, 3}, std::nullopt),
            "--frames takes a video's frames in increasing order, as it is read once from start to end; 3 comes "
            "after 5");
  EXPECT_EQ(refusal(clip, {2, 10}, std::nullopt), "--frames asks for frame 10, but " + clip + " has 10 frames, 0 to 9");
  EXPECT_EQ(refusal(clip, {}, 1.5), clip + " has no frame from 1.5 s on; its last frame is at 0.9 s");
  EXPECT_EQ(refusal(clip, {}, 0.31, 0.05), clip + " has no frame from 0.31 s to 0.36 s; its last frame is at 0.9 s");
  EXPECT_EQ(refusal(clip, {}, -1), "--start takes seconds from 0 on, not -1");
  EXPECT_EQ(refusal(folder.file("still.png"), {}, 1.0),
            "--start and --duration trim a video, not " + folder.file("still.png"));
  EXPECT_EQ(refusal("", {}, std::nullopt, 1.0), "--start and --duration trim a video, not the built-in picture");
}

struct TraitsCase {
  const char* name;
  const char* file;
  const char* arguments;  // ffmpeg's, before the output
  vantrel::StreamTraits expected;  // audioFile "yes": the file itself
};

void PrintTo(const TraitsCase& c, std::ostream* os) { *os << c.name; }

vantrel::StreamTraits traitsOf(bool alpha, int bits, const char* primaries, const char* transfer, const char* space,
                               const char* range, const char* aspect, const char* audio) {
  vantrel::StreamTraits traits;
  traits.hasAlpha = alpha;
  traits.bitsPerSample = bits;
  traits.colorPrimaries = primaries;
  traits.colorTransfer = transfer;
  traits.colorSpace = space;
  traits.colorRange = range;
  traits.sampleAspectRatio = aspect;
  traits.audioFile = audio;
  return traits;
}

const char* const kPicture = "-f lavfi -i testsrc=size=32x24:rate=10:duration=0.3 ";
const TraitsCase kTraits[] = {
    {"TenBitTaggedWithAudio", "a.mkv",
     "-f lavfi -i testsrc=size=32x24:rate=10:duration=0.3 -f lavfi -i sine=duration=0.3 -c:v libx264 "
     "-pix_fmt yuv420p10le -color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv "
     "-vf setsar=4/3",
     traitsOf(false, 10, "bt709", "bt709", "bt709", "tv", "4:3", "yes")},
    {"AlphaInQuickTime", "a.mov", "-c:v qtrle -pix_fmt argb", traitsOf(true, 8, "", "", "", "", "1:1", "")},
    {"AlphaBesideVp9", "a.webm", "-c:v libvpx-vp9 -pix_fmt yuva420p", traitsOf(true, 8, "", "", "", "tv", "1:1", "")},
    {"SixteenBitRgb", "a.mkv", "-c:v ffv1 -pix_fmt rgb48le", traitsOf(false, 16, "", "", "gbr", "pc", "1:1", "")},
};

class VideoTraits : public ::testing::TestWithParam<TraitsCase> {};

TEST_P(VideoTraits, ComeFromTheStream) {
  const TraitsCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.file(c.file);
  const std::string arguments = c.arguments;
  makeWithFfmpeg(arguments.rfind("-f lavfi", 0) == 0 ? arguments : kPicture + arguments, path);
  const vantrel::StreamTraits traits = vantrel::openSource(vantrel_test::inputOf(path))->traits();
  EXPECT_EQ(traits.hasAlpha, c.expected.hasAlpha);
  EXPECT_EQ(traits.bitsPerSample, c.expected.bitsPerSample);
  EXPECT_EQ(traits.colorPrimaries + "/" + traits.colorTransfer + "/" + traits.colorSpace + "/" + traits.colorRange,
            c.expected.colorPrimaries + "/" + c.expected.colorTransfer + "/" + c.expected.colorSpace + "/" +
                c.expected.colorRange);
  EXPECT_EQ(traits.sampleAspectRatio, c.expected.sampleAspectRatio);
  EXPECT_EQ(traits.audioFile, c.expected.audioFile.empty() ? "" : path);
  EXPECT_FALSE(traits.audioStart);  // the whole file is read
}

INSTANTIATE_TEST_SUITE_P(Table, VideoTraits, ::testing::ValuesIn(kTraits),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// An HD video that names no matrix was made, and is shown by players, as BT.709.
TEST(VideoInput, UntaggedHdIsReadAsBt709) {
  TempFolder folder;
  const std::string path = folder.file("hd.mp4");
  makeWithFfmpeg("-f lavfi -i color=c=0xC83C28:size=1280x720:duration=0.1 "
                 "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv444p -c:v libx264 -qp 0",
                 path);
  const std::vector<vantrel::RgbaImage> frames = readAll(*vantrel::openSource(vantrel_test::inputOf(path)));
  ASSERT_FALSE(frames.empty());
  const std::uint8_t* p = frames[0].pixel(640, 360);
  EXPECT_NEAR(p[0], 0xC8, 3);
  EXPECT_NEAR(p[1], 0x3C, 3);
  EXPECT_NEAR(p[2], 0x28, 3);
}

// Inputs are what their bytes say: a video under any name, a picture ffmpeg reads taken as
// a still, and a file nothing reads refused in one line.
TEST(VideoInput, KindIsToldByContent) {
  TempFolder folder;
  makeWithFfmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=0.5 -c:v libx264", folder.file("clip.m4v"));
  std::filesystem::copy_file(folder.file("clip.m4v"), folder.file("clip"));
  for (const char* name : {"clip.m4v", "clip"}) {
    EXPECT_EQ(readAll(*vantrel::openSource(vantrel_test::inputOf(folder.file(name)))).size(), 5u) << name;
  }
  makeWithFfmpeg("-f lavfi -i testsrc=size=32x24 -frames:v 1", folder.file("still.bmp"));
  const auto still = vantrel::openSource(vantrel_test::inputOf(folder.file("still.bmp"), {4, 9}));
  EXPECT_EQ(readAll(*still).size(), 2u);
  EXPECT_EQ(still->lastNumber(), 9);
  EXPECT_FALSE(still->fps());  // a picture has no rate of its own
  vantrel_test::writeBytes(folder.file("notes.txt"), {'h', 'i'});
  EXPECT_EQ(errorOf([&] { vantrel::openSource(vantrel_test::inputOf(folder.file("notes.txt"))); }),
            "cannot read " + folder.file("notes.txt") + ": ffprobe: " + folder.file("notes.txt") +
                ": Invalid data found when processing input");
}

}  // namespace
