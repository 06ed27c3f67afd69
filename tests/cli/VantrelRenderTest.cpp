// `vantrel render`, run as a person runs it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "BuiltInPicture.h"
#include "CliTestSupport.h"
#include "PeakMemory.h"
#include "PngFile.h"

namespace {

using vantrel_test::runVantrel;
using vantrel_test::TempFolder;

std::string quoted(const std::string& text) { return "'" + text + "'"; }

bool isOneErrorLine(const std::string& text) {
  return text.rfind("vantrel: ", 0) == 0 && text.find('\n') == text.size() - 1;
}

TEST(VantrelRender, BuiltInPictureGivesA1280By720Png) {
  TempFolder folder;
  const auto r = runVantrel("render -o " + quoted(folder.file("out.png")), folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The effect's OpenGL information goes to standard error; standard output stays clean.
  EXPECT_EQ(r.out, "");
  const vantrel::RgbaImage out = vantrel::readPng(folder.file("out.png"));
  EXPECT_EQ(out.width, 1280u);
  EXPECT_EQ(out.height, 720u);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"out.png"});
}

TEST(VantrelRender, InputPictureWithSettingsKeepsItsSize) {
  TempFolder folder;
  vantrel::writePng(folder.file("in.png"), vantrel::builtInPicture(320, 180));
  const auto r = runVantrel("render " + quoted(folder.file("in.png")) + " -o " + quoted(folder.file("out.png")) +
                                " --set 'Shape Type=Ring' --set 'Shadow Opacity=80' --set 'Shape Center=100,50'",
                            folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const vantrel::RgbaImage out = vantrel::readPng(folder.file("out.png"));
  EXPECT_EQ(out.width, 320u);
  EXPECT_EQ(out.height, 180u);
}

TEST(VantrelRender, InputMayFollowTheSettings) {
  TempFolder folder;
  vantrel::writePng(folder.file("in.png"), vantrel::builtInPicture(64, 48));
  const auto r = runVantrel("render --set 'Instances=2' " + quoted(folder.file("in.png")) + " -o " +
                                quoted(folder.file("out.png")),
                            folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(vantrel::readPng(folder.file("out.png")).width, 64u);
}

// Frames are allocated and freed every frame on several threads; memory must not grow
// with the number of frames.
TEST(VantrelRender, ResidentMemoryStaysFlatOverFrames) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory in quarantine";
#endif
  TempFolder folder;
  vantrel::writePng(folder.file("in.png"), vantrel::builtInPicture(640, 360));
  const auto run = [&](const std::string& frames) {
    return vantrel_test::runForPeakMemory(
        {VANTREL_CLI_PATH, "render", folder.file("in.png"), "-o", folder.file("out_%03d.jpg"), "--frames", frames});
  };
  const vantrel_test::PeakMemoryRun few = run("0-9"), many = run("0-99");
  ASSERT_EQ(few.exitCode, 0);
  ASSERT_EQ(many.exitCode, 0);
  EXPECT_LT(double(many.peakKb), 1.1 * double(few.peakKb)) << few.peakKb << " kB for 10 frames";
}

struct Failure {
  const char* name;
  const char* arguments;  // {in}, {out} and {missing} stand for paths in the test's folder
  int exitCode;
  const char* inMessage;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Failure& c, std::ostream* os) { *os << c.name; }

const Failure kFailures[] = {
    {"UnknownControl", "render -o {out} --set 'Frobnicate=1'", 1, "Frobnicate"},
    {"ValueOutOfRange", "render -o {out} --set 'Shadow Opacity=101'", 1, "0% to 100%"},
    {"BadColour", "render -o {out} --set 'Shadow Color=blue'", 1, "#RRGGBB"},
    {"TruncatedInput", "render {in} -o {out}", 1, "cannot read"},
    {"MissingInput", "render {missing} -o {out}", 1, "no such file"},
    {"MissingOutputOption", "render {in}", 1, "no output named (-o FILE)"},
    {"OutputIsTheInput", "render {out} -o {out}", 1, "it is an input of this run"},
    {"OutputIsTheInputByAnotherName", "render {out} -o {folder}/./out.png", 1, "it is an input of this run"},
    {"PresetOntoTheOutput", "render -o {out} --save-preset {out}", 1, "--save-preset names the output"},
    {"SizeOfAFileInput", "render {in} --size 2x2 -o {out}", 1, "--size is for raw frames"},
    {"ProgressAmongRawFrames", "render - --size 2x2 -o - --progress - < {in}", 1, "--progress - would mix"},
    {"UnknownRate", "render -o {out} --fps fast", 1, "--fps takes"},
    {"MistypedCommand", "rendr -o {out}", 2, "did you mean \"render\"?"},
};

class VantrelRenderFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(VantrelRenderFailure, OneLineNonZeroExitAndOutputUntouched) {
  TempFolder folder;
  vantrel::writePng(folder.file("whole.png"), vantrel::builtInPicture(320, 180));
  std::vector<unsigned char> bytes = vantrel_test::readBytes(folder.file("whole.png"));
  bytes.resize(bytes.size() / 2);
  vantrel_test::writeBytes(folder.file("in.png"), bytes);
  vantrel_test::writeBytes(folder.file("out.png"), {'o', 'l', 'd'});

  std::string arguments = GetParam().arguments;
  const auto replace = [&](const std::string& word, const std::string& path) {
    if (const auto at = arguments.find(word); at != std::string::npos) arguments.replace(at, word.size(), quoted(path));
  };
  replace("{missing}", folder.file("missing.png"));
  replace("{in}", folder.file("in.png"));
  replace("{out}", folder.file("out.png"));
  replace("{out}", folder.file("out.png"));
  replace("{folder}", folder.file(""));

  const auto r = runVantrel(arguments, folder);
  EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
  EXPECT_EQ(r.out, "");
  // Standard error holds the one line, after whatever the effect printed there.
  const std::string lastLine = r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
  EXPECT_TRUE(isOneErrorLine(r.err) || isOneErrorLine(lastLine)) << r.err;
  EXPECT_NE(lastLine.find(GetParam().inMessage), std::string::npos) << r.err;
  // Nothing half-written: the old output is as it was and no temporary is left.
  EXPECT_EQ(vantrel_test::readBytes(folder.file("out.png")), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(folder.names().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Table, VantrelRenderFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(VantrelRender, ErrorsBeforeRenderingPrintNothingButTheLine) {
  TempFolder folder;
  const auto r = runVantrel("render -o " + quoted(folder.file("out.png")) + " --set 'Shape Type=Star'", folder);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            "vantrel: Shape Type takes one of Circle, Ring, Cross, Triangle, Rectangle, Hexagon, Octagon, "
            "T Shape, Chevron or 1 to 9, not \"Star\"\n");
  EXPECT_TRUE(folder.names().empty());
}

TEST(VantrelRender, UnwritableOutputIsRefused) {
  TempFolder folder;
  const auto r = runVantrel("render -o " + quoted(folder.file("missing/out.png")), folder);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "vantrel: cannot write " + folder.file("missing/out.png") + ": No such file or directory\n");
  EXPECT_TRUE(folder.names().empty());
}

}  // namespace

namespace {

// A frame's keys are timed by its own number, whatever else the run holds.
TEST(VantrelRender, KeysAreTimedByFrameNumber) {
  TempFolder folder;
  vantrel::writePng(folder.file("in.png"), vantrel::builtInPicture(160, 90));
  const std::string keys = " --set 'Shape Rotation=0@0s;360@1s' --set 'Shape Type=Triangle' --set 'Shape Size 1=40'";
  ASSERT_EQ(runVantrel("render " + quoted(folder.file("in.png")) + " -o " + quoted(folder.file("a_%02d.png")) +
                           " --frames 5" + keys, folder).exitCode, 0);
  ASSERT_EQ(runVantrel("render " + quoted(folder.file("in.png")) + " -o " + quoted(folder.file("b_%02d.png")) +
                           " --frames 0-5" + keys, folder).exitCode, 0);
  EXPECT_EQ(vantrel::readPng(folder.file("a_05.png")).rgba, vantrel::readPng(folder.file("b_05.png")).rgba);
  EXPECT_NE(vantrel::readPng(folder.file("b_00.png")).rgba, vantrel::readPng(folder.file("b_05.png")).rgba);

  // Frames found on disk keep their numbers across a gap, and the gap is named.
  for (int f = 1; f <= 4; ++f) std::remove(folder.file("b_0" + std::to_string(f) + ".png").c_str());
  const auto r = runVantrel("render " + quoted(folder.file("b_%02d.png")) + " -o " + quoted(folder.file("c_%02d.png")) +
                                " --fps 30000/1001",
                            folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("b_%02d.png has no frame 1-4"), std::string::npos) << r.err;
}

// A '#' or '%d' in the name of a single file is part of its name.
TEST(VantrelRender, NumberFieldInASingleFilesNameIsItsName) {
  TempFolder folder;
  vantrel::writePng(folder.file("take#2.png"), vantrel::builtInPicture(32, 18));
  const auto r = runVantrel("render " + quoted(folder.file("take#2.png")) + " -o " + quoted(folder.file("take#2_%d.png")),
                            folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(vantrel::readPng(folder.file("take#2_%d.png")).width, 32u);
}

// Raw frames whose last one is cut short: the whole ones are written, then one line.
TEST(VantrelRender, ShortLastRawFrameKeepsTheWholeOnes) {
  TempFolder folder;
  vantrel_test::writeBytes(folder.file("raw"), std::vector<unsigned char>(2 * 16 + 8, 200));
  const auto r = runVantrel("render - --size 2x2 -o " + quoted(folder.file("f_%d.png")) + " < " + quoted(folder.file("raw")),
                            folder);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "vantrel: raw input ended 8 bytes into frame 2 (2x2 rgba frames are 16 bytes)\n");
  EXPECT_EQ(vantrel::readPng(folder.file("f_1.png")).width, 2u);
}

TEST(VantrelRender, ProgressOnStandardOutput) {
  TempFolder folder;
  const auto r = runVantrel("render -q -o " + quoted(folder.file("out.png")) + " --progress -", folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("frame=1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("progress=end\n"), std::string::npos) << r.out;
}

TEST(VantrelRender, RawFramesAreNotWrittenToATerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(terminal, STDOUT_FILENO);
    execl(VANTREL_CLI_PATH, "vantrel", "render", "-q", "-o", "-", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(terminal);
  char buffer[65536];
  while (read(master, buffer, sizeof buffer) > 0) {
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

std::vector<std::string> hiddenNames(const TempFolder& folder) {
  std::vector<std::string> hidden;
  for (const std::string& name : folder.names()) {
    if (name[0] == '.') hidden.push_back(name);
  }
  return hidden;
}

// `vantrel render` with these arguments as a child of the test, its standard error on
// /dev/null.
pid_t startRender(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {VANTREL_CLI_PATH, "render"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Every way out the process sees keeps finished frames under their names and leaves no
// temporary file: a hang-up mid-sequence, a second signal, a closed standard error.
TEST(VantrelRender, SignalsAndClosedStreamsLeaveNoTemporaries) {
  for (const int signals : {1, 2}) {
    TempFolder folder;
    const pid_t pid = startRender({"-o", folder.file("f_%03d.png"), "--frames", "0-999", "--threads", "4"});
    while (folder.names().size() < 3) usleep(10000);
    for (int i = 0; i < signals; ++i) kill(pid, SIGHUP);
    int status = 0;
    waitpid(pid, &status, 0);
    if (signals == 1) {
      EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
    }
    EXPECT_EQ(hiddenNames(folder), std::vector<std::string>{}) << signals << " signals";
    for (const std::string& name : folder.names()) EXPECT_EQ(vantrel::readPng(folder.file(name)).width, 1280u) << name;
  }
  TempFolder folder;
  const std::string command = std::string(VANTREL_CLI_PATH) + " render -v -o " + quoted(folder.file("v.png")) +
                              " 2>&1 | head -c 1 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"v.png"});
}

}  // namespace

namespace {

using vantrel_test::commandOutput;

// A clip's audio, alpha and colour description come through the effect into the output.
TEST(VantrelRender, VideoKeepsItsAudioAlphaAndColourDescription) {
  TempFolder folder;
  const std::string clip = quoted(folder.file("clip.mov")), out = quoted(folder.file("fx.mov"));
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=24 -f lavfi -i sine=duration=1 -t 1 "
                         "-vf format=rgba,colorchannelmixer=aa=0.5,scale=out_color_matrix=bt709,format=yuva444p10le,"
                         "setparams=color_primaries=bt709:color_trc=bt709:colorspace=bt709:range=tv "
                         "-c:v prores_ks -profile:v 4444 -c:a aac " + clip).c_str()),
            0);
  const auto r = runVantrel("render -q " + clip + " -o " + out, folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto described = [](const std::string& file) {
    return commandOutput("ffprobe -v error -of compact -show_entries stream=codec_type,codec_name,pix_fmt,color_range,"
                         "color_space,color_transfer,color_primaries,sample_rate,channels " + file);
  };
  const auto sound = [](const std::string& file) {
    return commandOutput("ffmpeg -v error -i " + file + " -map 0:a -c copy -f md5 -");
  };
  EXPECT_EQ(described(out), described(clip));
  EXPECT_NE(described(out).find("yuva444p"), std::string::npos) << described(out);
  EXPECT_EQ(sound(out), sound(clip));
}

// The frames of a variable-rate video keep their own times in the output.
TEST(VantrelRender, VariableRateVideoKeepsItsFrameTimes) {
  TempFolder folder;
  const std::string clip = quoted(folder.file("vfr.mkv")), out = quoted(folder.file("fx.mp4"));
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=10 -t 1.2 -fps_mode passthrough "
                         "-vf \"setpts='if(lt(N,4),N*0.1,0.4+(N-4)*0.3)/TB'\" " + clip).c_str()),
            0);
  const auto r = runVantrel("render -q " + clip + " -o " + out, folder);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto times = [](const std::string& file) {
    return commandOutput("ffprobe -v error -show_entries frame=pts_time -of csv=p=0 " + file);
  };
  EXPECT_EQ(times(out), times(clip));
}

// A second signal ends the run at once; the video's temporary goes with it.
TEST(VantrelRender, SecondSignalLeavesNoVideoTemporary) {
  TempFolder folder;
  const pid_t pid = startRender(
      {"-q", "-o", folder.file("v.avi"), "--frames", "0-999", "--downsample", "8", "--progress", folder.file("progress")});
  // Frames are going to ffmpeg once one is reported.
  while (vantrel_test::readBytes(folder.file("progress")).empty()) usleep(10000);
  kill(pid, SIGHUP);
  usleep(20000);  // two at once would be taken for one
  kill(pid, SIGHUP);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
  EXPECT_EQ(hiddenNames(folder), std::vector<std::string>{});
}

}  // namespace
