// vantrel.exe's failures that reach the system's files or programs, each in one line
// with nothing left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "BuiltInPicture.h"
#include "CliTestSupport.h"
#include "PngFile.h"

namespace {

using vantrel_test::runVantrel;
using vantrel_test::TempFolder;

struct Refusal {
  const char* name;
  std::vector<std::string> arguments;  // {NAME} stands for NAME in the test's folder
  const char* message;                 // in the one line on standard error
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

const Refusal kRefusals[] = {
    {"VideoWithoutFfmpeg", {"render", "{in.png}", "-o", "{out.mp4}"},
     "ffmpeg is not installed; it is needed for "},
    {"FfmpegNamedButMissing", {"render", "{clip.mp4}", "-o", "{out.png}", "--ffmpeg", "{bin/ffmpeg.exe}"},
     "ffmpeg.exe: no such program (--ffmpeg "},
    {"OutputIsTheInputByAnotherName", {"render", "{in.png}", "-o", "{./in.png}"}, "it is an input of this run"},
    {"OutputInAMissingFolder", {"render", "{in.png}", "-o", "{missing/out.png}"}, "cannot write "},
};
class VantrelWindowsRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(VantrelWindowsRefusal, OneLineNonZeroExitAndNothingWritten) {
  TempFolder folder;
  vantrel::writePng(folder.file("in.png"), vantrel::builtInPicture(32, 18));
  vantrel_test::writeBytes(folder.file("clip.mp4"), {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'});
  vantrel_test::writeBytes(folder.file("out.png"), {'o', 'l', 'd'});
  const std::vector<std::string> before = folder.names();

  std::vector<std::string> arguments = GetParam().arguments;
  for (std::string& argument : arguments) {
    if (argument.size() > 2 && argument.front() == '{') argument = folder.file(argument.substr(1, argument.size() - 2));
  }
  const auto r = runVantrel(arguments);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("vantrel: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
  EXPECT_EQ(vantrel_test::readBytes(folder.file("out.png")), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(folder.names(), before);
}

INSTANTIATE_TEST_SUITE_P(Table, VantrelWindowsRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
