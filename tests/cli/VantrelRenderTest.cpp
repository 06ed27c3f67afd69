// `vantrel render`, run as a person runs it.
#include <gtest/gtest.h>

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
