// The --frames grammar: what each form lists, and the part named when one is wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameRange.h"
#include "FrameRate.h"
#include "MediaTestSupport.h"

namespace {

using vantrel::parseFrameRange;
using vantrel_test::errorOf;

struct GoodRange {
  const char* text;
  std::vector<long> frames;
};

TEST(FrameRange, ListsTheFramesOfEachForm) {
  const GoodRange table[] = {
      {"7", {7}},
      {"0", {0}},
      {"1-5", {1, 2, 3, 4, 5}},
      {"1-10x3", {1, 4, 7, 10}},
      {"1-9x4", {1, 5, 9}},
      {"2-3x5", {2}},
      {"3,7,10-12", {3, 7, 10, 11, 12}},
      {"5-1", {5, 4, 3, 2, 1}},
      {"10-1x4", {10, 6, 2}},
      {"4-4", {4}},
      {"0010-0012", {10, 11, 12}},
  };
  for (const GoodRange& row : table) EXPECT_EQ(parseFrameRange(row.text), row.frames) << row.text;
}

struct BadRange {
  const char* text;
  const char* message;
};

TEST(FrameRange, RefusesWithTheWrongPartNamed) {
  const BadRange table[] = {
      {"", "bad frame range \"\": it is empty"},
      {"1-5,x", "bad frame range \"1-5,x\": \"x\" is not N, A-B or A-BxSTEP"},
      {"1,,3", "bad frame range \"1,,3\": an empty part between commas"},
      {"1,", "bad frame range \"1,\": an empty part between commas"},
      {"-3", "bad frame range \"-3\": \"-3\" is negative; frame numbers start at 0"},
      {"1--3", "bad frame range \"1--3\": \"1--3\" is not N, A-B or A-BxSTEP"},
      {"1-10x0", "bad frame range \"1-10x0\": \"1-10x0\" has a step of 0"},
      {"5x2", "bad frame range \"5x2\": \"5x2\" has a step but no range A-B"},
      {"1-", "bad frame range \"1-\": \"1-\" is not N, A-B or A-BxSTEP"},
      {"a-b", "bad frame range \"a-b\": \"a-b\" is not N, A-B or A-BxSTEP"},
      {" 4", "bad frame range \" 4\": \" 4\" is not N, A-B or A-BxSTEP"},
      {"1-5,3", "bad frame range \"1-5,3\": frame 3 is listed twice"},
      {"12345678901", "bad frame range \"12345678901\": \"12345678901\" has a number above 999999999"},
      {"0-999999999", "bad frame range \"0-999999999\": \"0-999999999\" makes more than 10000000 frames"},
  };
  for (const BadRange& row : table) {
    EXPECT_EQ(errorOf([&] { parseFrameRange(row.text); }), row.message) << row.text;
  }
}

// Rates as ffmpeg takes them, kept as the fractions ffmpeg writes.
TEST(FrameRate, ReadsEveryFormAsItsFraction) {
  const std::pair<const char*, const char*> table[] = {
      {"25", "25"},          {"29.97", "30000/1001"}, {"23.976", "24000/1001"}, {"59.94", "60000/1001"},
      {"12.5", "25/2"},      {"30000/1001", "30000/1001"}, {"50/2", "25"},      {"ntsc", "30000/1001"},
      {"pal", "25"},         {"film", "24"},          {"ntsc-film", "24000/1001"},
  };
  for (const auto& [text, fraction] : table) EXPECT_EQ(vantrel::parseFrameRate(text).text(), fraction) << text;
  for (const char* bad : {"0", "-24", "fast", "24fps", "1/0", "2.5/1", "1001", ""}) {
    EXPECT_NE(errorOf([&] { vantrel::parseFrameRate(bad); }).find("--fps takes"), std::string::npos) << bad;
  }
}

}  // namespace
