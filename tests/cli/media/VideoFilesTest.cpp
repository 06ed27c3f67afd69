// Video files through the system's ffmpeg: a round trip, odd sizes, ffmpeg missing or
// failing, no file or child process left behind by an unfinished or failed output, and
// the encoding, alpha, audio and colour description an output gets.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "MediaFiles.h"
#include "MediaTestSupport.h"

namespace {

using vantrel::InputSpec;
using vantrel::OutputSpec;
using vantrel_test::errorOf;
using vantrel_test::readAll;
using vantrel_test::smoothPicture;
using vantrel_test::TempFolder;

void writeVideo(const OutputSpec& output, const std::vector<vantrel::RgbaImage>& frames) {
  const auto sink = vantrel::openSink(output, frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) sink->write(frames[i], long(i));
  sink->finish();
}

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

// ffprobe's values for `arguments` on `path`, one a line.
std::string probe(const std::string& path, const std::string& arguments) {
  std::string out =
      vantrel_test::commandOutput("ffprobe -v error " + arguments + " -of default=nw=1:nk=1 '" + path + "' 2>&1");
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string videoProbe(const std::string& path, const std::string& entries) {
  return probe(path, "-select_streams v:0 -show_entries stream=" + entries);
}

// Writes `frames` in a child process; standard error gets the notes and any error's line.
vantrel_test::CommandResult writeInChild(const TempFolder& folder, const OutputSpec& output,
                                         const std::vector<vantrel::RgbaImage>& frames,
                                         const std::function<void()>& setUp = [] {}) {
  return vantrel_test::runInChild(folder, [&] {
    setUp();
    try {
      writeVideo(output, frames);
    } catch (const std::runtime_error& error) {
      std::fputs(error.what(), stderr);
      throw;
    }
  });
}

// Opaque random frames, which no encoder makes small.
std::vector<vantrel::RgbaImage> noisyFrames(int count) {
  std::mt19937 random(7);
  std::vector<vantrel::RgbaImage> frames(std::size_t(count), vantrel::RgbaImage(320, 240));
  for (vantrel::RgbaImage& frame : frames) {
    for (std::size_t i = 0; i < frame.rgba.size(); ++i) frame.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(random());
  }
  return frames;
}

// ffmpeg exits 0 after it failed to write a container's end; the output fails all the same.
TEST(VideoFiles, FullDiskFailsWithFfmpegsReasonAndLeavesNothing) {
  for (const char* extension : {".mp4", ".mkv", ".webm"}) {
    TempFolder folder;
    const std::string path = folder.file(std::string("full") + extension);
    const auto r = writeInChild(folder, vantrel_test::outputOf(path), noisyFrames(6), [] {
      const rlimit limit{64 * 1024, 64 * 1024};
      setrlimit(RLIMIT_FSIZE, &limit);
      std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG, as on a full disk
    });
    EXPECT_EQ(r.exitCode, 1) << extension;
    EXPECT_EQ(r.err.rfind("cannot write " + path + ": ffmpeg: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".vantrel-"), std::string::npos) << r.err;  // the temporary's name is not shown
    EXPECT_EQ(folder.names(), std::vector<std::string>{}) << extension;
  }
}

// An ffmpeg that cuts its output short and says nothing (its last argument names the
// output): the written file is read back.
TEST(VideoFiles, QuietlyTruncatedOutputIsRefused) {
  TempFolder folder;
  std::filesystem::create_directory(folder.file("bin"));
  {
    std::ofstream script(folder.file("bin/ffmpeg"));
    script << "#!/bin/sh\nffmpeg=$(PATH=${PATH#*:} command -v ffmpeg)\n\"$ffmpeg\" \"$@\" || exit\n"
              "for last; do :; done\ntruncate -s 3000 \"$last\"\n";
  }
  std::filesystem::permissions(folder.file("bin/ffmpeg"), std::filesystem::perms::owner_all);
  const vantrel_test::ScopedEnvironment path("PATH", folder.file("bin") + ":" + std::getenv("PATH"));
  for (const char* name : {"short.mkv", "short.mp4"}) {
    const std::string message = errorOf([&] { writeVideo(folder.file(name), noisyFrames(4)); });
    EXPECT_EQ(message.rfind("cannot write " + folder.file(name) + ": ", 0), 0u) << message;
    EXPECT_FALSE(vantrel::pathExists(folder.file(name)));
  }
  EXPECT_EQ(folder.names(), std::vector<std::string>{"bin"});
}

// Left half transparent, right half opaque red.
vantrel::RgbaImage halfTransparentRed() {
  vantrel::RgbaImage frame(64, 48);
  for (std::uint32_t y = 0; y < 48; ++y) {
    for (std::uint32_t x = 0; x < 64; ++x) {
      std::uint8_t* p = frame.pixel(x, y);
      p[0] = 255;
      p[3] = x < 32 ? 0 : 255;
    }
  }
  return frame;
}

TEST(VideoFiles, AlphaSurvivesWhereTheContainerHoldsIt) {
  for (const char* name : {"alpha.mov", "alpha.webm"}) {
    TempFolder folder;
    OutputSpec output = vantrel_test::outputOf(folder.file(name));
    output.input.hasAlpha = true;
    writeVideo(output, {halfTransparentRed(), halfTransparentRed()});
    const std::vector<vantrel::RgbaImage> read = readAll(*vantrel::openSource(vantrel_test::inputOf(output.path)));
    ASSERT_EQ(read.size(), 2u) << name;
    EXPECT_LT(read[1].pixel(8, 24)[3], 16) << name;
    EXPECT_GT(read[1].pixel(56, 24)[3], 240) << name;
  }
}

// Where the output holds no alpha, the frames are composited onto black, with a note.
TEST(VideoFiles, AlphaIsCompositedOntoBlackWithANoteElsewhere) {
  for (const char* name : {"flat.mp4", "flat.jpg"}) {
    TempFolder folder;
    OutputSpec output = vantrel_test::outputOf(folder.file(name));
    output.input.hasAlpha = true;
    const auto r = writeInChild(folder, output, {halfTransparentRed()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("vantrel: note: "), std::string::npos) << name;
    EXPECT_NE(r.err.find("onto black"), std::string::npos) << r.err;
    const std::vector<vantrel::RgbaImage> read = readAll(*vantrel::openSource(vantrel_test::inputOf(output.path)));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_LT(read[0].pixel(8, 24)[0], 24) << name;
    EXPECT_GT(read[0].pixel(56, 24)[0], 230) << name;
  }
}

struct EncodingCase {
  const char* name;
  const char* file;
  int inputBits;
  vantrel::VideoEncoding encoding;
  const char* probed;  // codec_name and pix_fmt
  const char* note;    // a part of the note given, or "" for none
  const char* inFile;  // bytes the file holds (x264's settings), or ""
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }

const EncodingCase kEncodings[] = {
    {"TenBitStaysTenInH264", "out.mp4", 10, {}, "h264\nyuv420p10le", "", ""},
    {"TenBitStaysTenInVp9", "out.webm", 10, {}, "vp9\nyuv420p10le", "", ""},
    {"TenBitIsEightInAviWithANote", "out.avi", 10, {}, "mpeg4\nyuv420p", "8 bits", ""},
    {"CodecAsked", "out.mkv", 8, {"libx265", std::nullopt, ""}, "hevc\nyuv420p", "", ""},
    {"CodecAskedByFormatName", "out.mp4", 10, {"hevc", std::nullopt, ""}, "hevc\nyuv420p10le", "", ""},
    {"PixelFormatAsked", "out.mp4", 8, {"", std::nullopt, "yuv444p"}, "h264\nyuv444p", "", ""},
    {"CrfAsked", "out.mp4", 8, {"", 30, ""}, "h264\nyuv420p", "", "crf=30.0"},
};

class VideoEncodingChoice : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(VideoEncodingChoice, IsWhatTheFileHolds) {
  const EncodingCase& c = GetParam();
  TempFolder folder;
  OutputSpec output = vantrel_test::outputOf(folder.file(c.file));
  output.input.bitsPerSample = c.inputBits;
  output.encoding = c.encoding;
  const auto r = writeInChild(folder, output, {smoothPicture(64, 48), smoothPicture(64, 48, 1)});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(videoProbe(output.path, "codec_name,pix_fmt"), c.probed);
  if (*c.note) {
    EXPECT_NE(r.err.find(c.note), std::string::npos) << r.err;
  } else {
    EXPECT_EQ(r.err, "");
  }
  const std::vector<unsigned char> bytes = vantrel_test::readBytes(output.path);
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(c.inFile), std::string::npos) << c.inFile;
}

INSTANTIATE_TEST_SUITE_P(Table, VideoEncodingChoice, ::testing::ValuesIn(kEncodings),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(VideoFiles, EncodingFfmpegCannotDoIsRefusedBeforeAnyFrame) {
  TempFolder folder;
  OutputSpec output = vantrel_test::outputOf(folder.file("out.mp4"));
  output.encoding.codec = "nosuch";
  EXPECT_EQ(errorOf([&] { vantrel::openSink(output, 0); }),
            "cannot write " + output.path + ": ffmpeg has no encoder named nosuch (ffmpeg -encoders lists them)");
  output.encoding = {"", std::nullopt, "rgb24"};
  EXPECT_EQ(errorOf([&] { vantrel::openSink(output, 0); }).rfind(
                "cannot write " + output.path + ": libx264 takes no pixel format rgb24 (it takes yuv420p, ", 0),
            0u);
  EXPECT_EQ(folder.names(), std::vector<std::string>{});
}

struct AudioCase {
  const char* name;
  const char* audioFile;  // made by the test: tone.wav (PCM), tone.m4a (AAC), both 3 s
  const char* file;
  bool audio;
  std::optional<double> start, duration;
  const char* codecs;    // the output's audio codecs, one a line
  double seconds;        // the output's duration (the video's is 1 s)
};

void PrintTo(const AudioCase& c, std::ostream* os) { *os << c.name; }

const AudioCase kAudio[] = {
    {"PcmIsCopiedIntoMkv", "tone.wav", "out.mkv", true, std::nullopt, std::nullopt, "pcm_s16le", 3},
    {"PcmBecomesAacInMp4", "tone.wav", "out.mp4", true, std::nullopt, std::nullopt, "aac", 3},
    {"PcmBecomesOpusInWebm", "tone.wav", "out.webm", true, std::nullopt, std::nullopt, "opus", 3},
    {"AacIntoMov", "tone.m4a", "out.mov", true, std::nullopt, std::nullopt, "aac", 3},
    {"StartSkipsAudio", "tone.wav", "out.mkv", true, 2.5, std::nullopt, "pcm_s16le", 1},
    {"DurationCutsAudio", "tone.wav", "out.mkv", true, std::nullopt, 2.0, "pcm_s16le", 2},
    {"NoAudioAsked", "tone.wav", "out.mkv", false, std::nullopt, std::nullopt, "", 1},
    {"GifHoldsNone", "tone.wav", "out.gif", true, std::nullopt, std::nullopt, "", 1},
};

class VideoAudio : public ::testing::TestWithParam<AudioCase> {};

TEST_P(VideoAudio, IsTakenFromTheInput) {
  const AudioCase& c = GetParam();
  TempFolder folder;
  const std::string make = "ffmpeg -v error -f lavfi -i sine=frequency=440:duration=3 -ac 2 ";
  ASSERT_EQ(std::system((make + "'" + folder.file("tone.wav") + "' && " + make + "-c:a aac '" +
                         folder.file("tone.m4a") + "'").c_str()),
            0);
  OutputSpec output = vantrel_test::outputOf(folder.file(c.file));
  output.audio = c.audio;
  output.input.audioFile = folder.file(c.audioFile);
  output.input.audioStart = c.start;
  output.input.audioDuration = c.duration;
  std::vector<vantrel::RgbaImage> frames(24, smoothPicture(64, 48));
  writeVideo(output, frames);
  EXPECT_EQ(probe(output.path, "-select_streams a -show_entries stream=codec_name"), c.codecs);
  EXPECT_NEAR(std::stod(probe(output.path, "-show_entries format=duration")), c.seconds, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Table, VideoAudio, ::testing::ValuesIn(kAudio),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

struct ColourCase {
  const char* name;
  std::uint32_t width, height;
  vantrel::StreamTraits input;
  const char* probed;  // sample_aspect_ratio, color_range, color_space, color_transfer, color_primaries
};

void PrintTo(const ColourCase& c, std::ostream* os) { *os << c.name; }

vantrel::StreamTraits tagged(const char* primaries, const char* transfer, const char* space, const char* range,
                             const char* aspect) {
  vantrel::StreamTraits traits;
  traits.colorPrimaries = primaries;
  traits.colorTransfer = transfer;
  traits.colorSpace = space;
  traits.colorRange = range;
  traits.sampleAspectRatio = aspect;
  return traits;
}

const ColourCase kColours[] = {
    {"Bt709Tags", 64, 48, tagged("bt709", "bt709", "bt709", "tv", "64:45"), "64:45\ntv\nbt709\nbt709\nbt709"},
    {"FullRange", 64, 48, tagged("bt709", "bt709", "bt709", "pc", ""), "N/A\npc\nbt709\nbt709\nbt709"},
    {"Bt601Tags", 64, 48, tagged("smpte170m", "smpte170m", "smpte170m", "tv", "8:9"),
     "8:9\ntv\nsmpte170m\nsmpte170m\nsmpte170m"},
    // Players take an untagged HD video for BT.709 and a smaller one for BT.601: the output
    // is converted so, and says which.
    {"UntaggedHd", 1280, 720, {}, "N/A\ntv\nbt709\nunknown\nunknown"},
    {"UntaggedSd", 640, 480, {}, "N/A\ntv\nsmpte170m\nunknown\nunknown"},
};

class VideoColour : public ::testing::TestWithParam<ColourCase> {};

// The tags are written, and the colours read back as written through them.
TEST_P(VideoColour, TagsAndMatrixFollowTheInput) {
  const ColourCase& c = GetParam();
  TempFolder folder;
  OutputSpec output = vantrel_test::outputOf(folder.file("out.mp4"));
  output.input = c.input;
  vantrel::RgbaImage frame(c.width, c.height);
  for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
    frame.rgba[i] = 200;
    frame.rgba[i + 1] = 60;
    frame.rgba[i + 2] = 40;
    frame.rgba[i + 3] = 255;
  }
  writeVideo(output, {frame});
  EXPECT_EQ(videoProbe(output.path, "sample_aspect_ratio,color_range,color_space,color_transfer,color_primaries"),
            c.probed);
  const std::vector<vantrel::RgbaImage> read = readAll(*vantrel::openSource(vantrel_test::inputOf(output.path)));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_LT(vantrel_test::meanColourDifference(read[0], frame), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Table, VideoColour, ::testing::ValuesIn(kColours),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
