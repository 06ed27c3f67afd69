// vantrel's pieces that its command lines cannot reach one by one: every form --set and
// presets take or refuse, the --frames and --fps grammars, PNG decoding of each colour
// type and damage, and the effect's failures as one line.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BuiltInPicture.h"
#include "CliTestSupport.h"
#include "ControlDisplay.h"
#include "EffectCall.h"
#include "FrameRange.h"
#include "FrameRate.h"
#include "NearestName.h"
#include "ParamAssignment.h"
#include "PngFile.h"
#include "Preset.h"
#include "TestHost.h"

namespace {

using minihost::ParamValue;
using vantrel_test::TempFolder;

// The message `body` throws, or "(accepted)".
template <typename Body>
std::string refusal(Body body) {
  try {
    body();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(accepted)";
}

std::string valueText(const ParamValue& value) {
  std::size_t n = 4;
  while (n > 1 && value[n - 1] == 0) --n;
  std::ostringstream text;
  for (std::size_t i = 0; i < n; ++i) text << (i ? "," : "") << value[i];
  return text.str();
}

class Settings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { declared_ = new vantrel_test::DeclaredHost; }
  static void TearDownTestSuite() { delete declared_; }
  static minihost::Host& host() { return declared_->host; }
  static PF_ParamIndex index(const char* name) { return host().findParam(name); }

  // What --set makes of `text`: "= " and the control with each key as VALUE@SECONDS, or the
  // refusal.
  static std::string setting(const std::string& text, double fps) {
    std::string shown;
    const std::string message = refusal([&] {
      const vantrel::ParamSetting s = vantrel::parseParamSetting(host(), text, fps);
      std::ostringstream keys;
      keys << "= " << host().params()[std::size_t(s.index)].name() << (s.inPercent ? " (%)" : "");
      for (const minihost::Keyframe& key : s.keys) keys << " " << valueText(key.value) << "@" << key.seconds;
      shown = keys.str();
    });
    return shown.empty() ? message : shown;
  }

  static vantrel_test::DeclaredHost* declared_;
};

vantrel_test::DeclaredHost* Settings::declared_ = nullptr;

const struct {
  const char* text;
  double fps;
  const char* made;  // "= " and the control and its keys, or a part of the one-line refusal
} kSettings[] = {
    {"Shape Type=Ring", 24, "= Shape Type 2@0"},
    {"shape type=t shape", 24, "= Shape Type 8@0"},
    {"  Shadow Size = 250 ", 24, "= Shadow Size 250@0"},
    {"SHADOW OPACITY=12.5%", 24, "= Shadow Opacity 12.5@0"},
    {"Shape Rotation=90deg", 24, "= Shape Rotation 90@0"},
    {"Shape Center= -10.5 , 20.25 ", 24, "= Shape Center -10.5,20.25@0"},
    {"Shape Center=25%,75%", 24, "= Shape Center (%) 25,75@0"},
    {"Transparent Background=on", 24, "= Transparent Background 1@0"},
    {"Shadow Color=#FF8000", 24, "= Shadow Color 255,128,0,255@0"},
    {"Shape Size 1= 0 @ 0.5s ; 300 @ 1.25S", 24, "= Shape Size 1 0@0.5 300@1.25"},
    {"Shadow Size=0@0f;100@48F", 30, "= Shadow Size 0@0 100@1.6"},
    {"Shadow Size=0@0f;100@30f", 30000.0 / 1001, "= Shadow Size 0@0 100@1.001"},
    {"Instances=20@2s;1@0s;10@1s", 24, "= Instances 1@0 10@1 20@2"},
    {"Shape Type=Ring@0s;9@1s", 24, "= Shape Type 2@0 9@1"},
    {"Shadow Color=#000000@0s;#FF8040@12f", 24, "= Shadow Color 0,0,0,255@0 255,128,64,255@0.5"},
    {"Shadow Opacity=150", 24, "Shadow Opacity takes 0% to 100%, not \"150\""},
    {"Scale X Offset=300", 24, "Scale X Offset takes -200.0% to 200.0%, not \"300\""},
    {"Stroke Size=61", 24, "Stroke Size takes 0 to 60, not \"61\""},
    {"Instances=2.5", 24, "Instances takes a whole number from 1 to 20, not \"2.5\""},
    {"Shadow Size=12px", 24, "Shadow Size takes a whole number from 0 to 1000, not \"12px\""},
    {"Edge Type=0", 24, "Edge Type takes one of Shadow, Stroke or 1 to 2, not \"0\""},
    {"Frobnicate=3", 24, "no control named \"Frobnicate\"; see vantrel info"},
    {"Shadow Color=#12345", 24, "Shadow Color takes a colour as #RRGGBB, not \"#12345\""},
    {"Shape Center=100", 24, "Shape Center takes a point X,Y in layer pixels or X%,Y% of the layer's size, not \"100\""},
    {"Shape Center=25%,75%@0s;10,10@1s", 24, "Shape Center has keys in percent and keys in pixels"},
    {"Transparent Background=maybe", 24, "Transparent Background takes on or off, not \"maybe\""},
    {"Shadow Size", 24, "NAME=VALUE"},
    {"Shadow Size=", 24, "--set \"Shadow Size=\" gives Shadow Size no value"},
    {"Edge=1", 24, "Edge is a group"},
    {"Shadow Size=1\n2", 24, "Shadow Size takes a whole number from 0 to 1000, not \"1?2\""},
    {"Shape Size 1=@1s", 24, "Shape Size 1 has a key without a value: \"@1s\""},
    {"Shape Size 1=0@0s;300", 24, "Shape Size 1 has a key without a time: \"300\""},
    {"Shape Size 1=0@0s;5@2", 24, "Shape Size 1 has a key at \"2\"; a time is seconds (2s) or frames (48f)"},
    {"Shape Size 1=5@-1s", 24, "Shape Size 1 has a key at \"-1s\"; times are 0 or later"},
    {"Shadow Size=0@2s;5@48f", 24, "Shadow Size has two keys at 2s"},
    {"Shadow Size=0@0f;1@1f", 0, "the frame rate must be above 0, not 0"},
};

TEST_F(Settings, EachFormIsTakenOrRefusedInOneLine) {
  for (const auto& row : kSettings) {
    const std::string made = setting(row.text, row.fps);
    if (row.made[0] == '=') EXPECT_EQ(made, row.made) << row.text;
    else EXPECT_NE(made.find(row.made), std::string::npos) << row.text << " made " << made;
    EXPECT_EQ(made.find('\n'), std::string::npos) << made;
  }
}

TEST_F(Settings, EveryControlTakesItsDefaultAsShownAndItsValidRange) {
  const auto& params = host().params();
  int checked = 0;
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    if (!vantrel::takesValue(param.type())) continue;
    const std::string text = param.name() + "=" + minihost::formatDefault(param);
    EXPECT_EQ(setting(text, 24), "= " + param.name() + (param.type() == PF_Param_POINT ? " (%) " : " ") +
                                     valueText(minihost::defaultValue(param)) + "@0");
    ++checked;
    if (param.type() != PF_Param_SLIDER && param.type() != PF_Param_FLOAT_SLIDER) continue;
    const bool whole = param.type() == PF_Param_SLIDER;
    const double min = whole ? param.raw().u.sd.valid_min : param.raw().u.fs_d.valid_min;
    const double max = whole ? param.raw().u.sd.valid_max : param.raw().u.fs_d.valid_max;
    const std::string range = param.name() + " takes " + minihost::formatValidRange(param);
    for (double v : {min, max}) EXPECT_EQ(setting(param.name() + "=" + std::to_string(v), 24).find(" takes "), std::string::npos);
    for (double v : {min - 1, max + 1}) EXPECT_NE(setting(param.name() + "=" + std::to_string(v), 24).find(range), std::string::npos);
  }
  EXPECT_EQ(checked, 23);  // the 27 controls less four group starts and ends
}

// Keys are linear between their times, popups and checkboxes hold, and the host hands the
// effect a point in pixels of the layer (percent ones following its size) and colour bytes.
TEST_F(Settings, InstanceGivesKeyedValuesAtTheirTimes) {
  minihost::EffectInstance& instance = host().newInstance();
  for (const char* text : {"Shape Size 1=0@0s;300@2s", "Shape Type=Ring@0s;Chevron@1s", "Transparent Background=off@0s;on@1s",
                           "Shape Center=25%,75%", "Shadow Color=#000000@0s;#FF8040@1s"}) {
    vantrel::applyParamAssignment(host(), instance, text);
  }
  const auto at = [&](const char* name, double seconds) { return valueText(instance.valueAt(index(name), seconds)); };
  EXPECT_EQ(at("Shape Size 1", 0.5), "75");
  EXPECT_EQ(at("Shape Size 1", 9), "300");
  EXPECT_EQ(at("Shape Type", 0.99), "2");
  EXPECT_EQ(at("Transparent Background", 0.75), "0");
  EXPECT_EQ(at("Shadow Color", 0.25), "63.75,32,16,255");
  const PF_ParamDef point = instance.checkout(index("Shape Center"), minihost::FrameContext{0, 640, 360, 2});
  EXPECT_EQ(point.u.td.x_value, 80 << 16);
  EXPECT_EQ(point.u.td.y_value, 135 << 16);
  const PF_ParamDef colour = instance.checkout(index("Shadow Color"), minihost::FrameContext{1, 640, 360, 1});
  EXPECT_EQ(std::vector<int>({colour.u.cd.value.alpha, colour.u.cd.value.red, colour.u.cd.value.green, colour.u.cd.value.blue}),
            std::vector<int>({255, 255, 128, 64}));
  vantrel::applyParamAssignment(host(), instance, "Shape Size 1=7");
  EXPECT_EQ(instance.keyframes(index("Shape Size 1")).size(), 1u);
}

TEST_F(Settings, PresetRefusalsNameTheFileAndTheControlAndStoreNothing) {
  TempFolder folder;
  const std::string path = folder.file("look.json");
  const std::pair<const char*, const char*> rows[] = {
      {nullptr, "look.json: No such file or directory"},
      {"{\"Instances\": 3,", "look.json: not JSON"},
      {"[1, 2]", "look.json: a preset is a JSON object"},
      {R"({"Instances": 2, "Shape Size 1": 3000})", "look.json: \"Shape Size 1\" takes 0 to 2000, not \"3000\""},
      {R"({"Shape Center": [1, 2, 3]})", "look.json: \"Shape Center\" takes a point X,Y in layer pixels or X%,Y% of the layer's size, not \"[1,2,3]\""},
      {R"({"Shadow Color": null})", "look.json: \"Shadow Color\" takes a colour as #RRGGBB, not \"null\""},
      {R"({"Shadow Size": [[0, 1, 2]]})", "look.json: \"Shadow Size\" has a key that is not a [time, value] pair: [0,1,2]"},
      {R"({"Shadow Size": []})", "look.json: \"Shadow Size\" has no keys"},
      {R"({"Shadow Size": [["2", 1]]})", "look.json: \"Shadow Size\" has a key at \"2\"; a time is seconds (2s) or frames (48f)"},
      {R"({"Instances": 2, "instances": 3})", "look.json: \"instances\" sets Instances a second time"},
  };
  for (const auto& [json, message] : rows) {
    if (json) std::ofstream(path) << json;
    minihost::EffectInstance& instance = host().newInstance();
    const std::string made = refusal([&] { vantrel::loadPreset(host(), instance, path, 24); });
    EXPECT_NE(made.find(message), std::string::npos) << made;
    EXPECT_EQ(made.find('\n'), std::string::npos) << made;
    EXPECT_TRUE(instance.atDefault(index("Instances"))) << made;
  }
}

TEST(FrameRange, ListsTheFramesOfEachFormOrNamesTheWrongPart) {
  const std::pair<const char*, const char*> rows[] = {
      {"7", "7"},
      {"1-10x3", "1 4 7 10"},
      {"3,7,10-12", "3 7 10 11 12"},
      {"5-1", "5 4 3 2 1"},
      {"", "it is empty"},
      {"1,,3", "an empty part between commas"},
      {"-3", "\"-3\" is negative; frame numbers start at 0"},
      {"1--3", "\"1--3\" is not N, A-B or A-BxSTEP"},
      {"1-10x0", "\"1-10x0\" has a step of 0"},
      {"12345678901", "\"12345678901\" has a number above 999999999"},
      {"0-999999999", "\"0-999999999\" makes more than 10000000 frames"},
  };
  for (const auto& [text, listed] : rows) {
    std::string made;
    const std::string message = refusal([&, text = text] {
      for (long frame : vantrel::parseFrameRange(text)) made += (made.empty() ? "" : " ") + std::to_string(frame);
    });
    EXPECT_EQ(message == "(accepted)" ? made : message,
              message == "(accepted)" ? listed : "bad frame range \"" + std::string(text) + "\": " + listed);
  }
}

TEST(FrameRate, ReadsEveryFormAsItsFraction) {
  const std::pair<const char*, const char*> rows[] = {
      {"25", "25"},   {"29.97", "30000/1001"}, {"23.976", "24000/1001"}, {"59.94", "60000/1001"}, {"12.5", "25/2"},
      {"50/2", "25"}, {"ntsc", "30000/1001"},  {"pal", "25"},  {"film", "24"},  {"ntsc-film", "24000/1001"}};
  for (const auto& [text, fraction] : rows) EXPECT_EQ(vantrel::parseFrameRate(text).text(), fraction) << text;
  for (const char* bad : {"0", "-24", "24fps", "1/0", "2.5/1", "1001", ""}) {
    EXPECT_NE(refusal([&] { vantrel::parseFrameRate(bad); }).find("--fps takes"), std::string::npos) << bad;
  }
}

// Written with libpng's simplified interface, independent of the code under test.
const struct {
  const char* name;
  png_uint_32 format;
  std::vector<png_uint_16> samples;  // bytes, or 16-bit samples for a LINEAR format
  std::vector<int> read;             // rgba
} kPngs[] = {
    {"RGB", PNG_FORMAT_RGB, {10, 20, 30, 40, 50, 60}, {10, 20, 30, 255, 40, 50, 60, 255}},
    {"grey", PNG_FORMAT_GRAY, {77, 200}, {77, 77, 77, 255, 200, 200, 200, 255}},
    {"grey and alpha", PNG_FORMAT_GA, {77, 100, 200, 0}, {77, 77, 77, 100, 200, 200, 200, 0}},
    {"palette with transparency", PNG_FORMAT_RGBA_COLORMAP, {1, 0}, {0, 0, 255, 64, 255, 0, 0, 255}},
    {"16-bit", PNG_FORMAT_LINEAR_RGB, {0, 0x8080, 0xFF00, 0xFFFF, 0x1000, 0x7F7F}, {0, 128, 254, 255, 255, 16, 127, 255}},
};

TEST(PngFile, EachColourTypeReadsAsRgba) {
  TempFolder folder;
  const std::uint8_t colormap[] = {255, 0, 0, 255, 0, 0, 255, 64};
  for (const auto& c : kPngs) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = c.format;
    image.colormap_entries = 2;
    std::vector<std::uint8_t> bytes(c.samples.begin(), c.samples.end());
    const void* data = (c.format & PNG_FORMAT_FLAG_LINEAR) ? static_cast<const void*>(c.samples.data()) : bytes.data();
    ASSERT_NE(png_image_write_to_file(&image, folder.file("a.png").c_str(), 0, data, 0, colormap), 0) << c.name;
    const vantrel::RgbaImage read = vantrel::readPng(folder.file("a.png"));
    EXPECT_EQ(std::vector<int>(read.rgba.begin(), read.rgba.end()), c.read) << c.name;
  }
}

// Cut short anywhere, damaged inside, or claiming more than it holds: one line each.
TEST(PngFile, DamagedFilesAreRefusedInOneLine) {
  TempFolder folder;
  vantrel::writePng(folder.file("whole.png"), vantrel::builtInPicture(320, 180));
  const std::vector<unsigned char> whole = vantrel_test::readBytes(folder.file("whole.png"));
  const std::string path = folder.file("bad.png");
  const auto message = [&](std::vector<unsigned char> bytes) {
    vantrel_test::writeBytes(path, bytes);
    return refusal([&] { vantrel::readPng(path); });
  };
  for (const std::size_t keep : {std::size_t(8), std::size_t(20), whole.size() / 20, whole.size() / 2, whole.size() - 12}) {
    const std::string made = message({whole.begin(), whole.begin() + std::ptrdiff_t(keep)});
    EXPECT_EQ(made.rfind("cannot read " + path + ": ", 0), 0u) << keep << ": " << made;
    EXPECT_EQ(made.find('\n'), std::string::npos) << made;
  }
  std::vector<unsigned char> damaged = vantrel_test::readBytes(folder.file("whole.png"));
  damaged[damaged.size() / 2] ^= 0x5A;
  EXPECT_EQ(message(damaged).rfind("cannot read " + path + ": ", 0), 0u);
  EXPECT_EQ(message({'h', 'i'}), "cannot read " + path + ": not a PNG file");
  // IHDR's width and height (bytes 16 to 23) made 30000 x 30000, its CRC recomputed.
  std::vector<unsigned char> huge = vantrel_test::readBytes(folder.file("whole.png"));
  for (const std::size_t at : {16, 20}) std::memcpy(&huge[at], "\0\0\x75\x30", 4);
  const uLong crc = crc32(crc32(0, nullptr, 0), huge.data() + 12, 17);
  for (int i = 0; i < 4; ++i) huge[29 + std::size_t(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));
  EXPECT_NE(message(huge).find("too short for a 30000x30000 picture"), std::string::npos);
}

TEST(EffectCall, FailureCarriesTheEffectsMessageOnOneLine) {
  vantrel_test::DeclaredHost declared;
  const auto failure = [&](PF_Err result, const char* message) {
    std::strcpy(declared.host.outData().return_msg, "left over from an earlier command");
    return refusal([&] {
      vantrel::callEffect(declared.host, "render", [&] {
        if (message) std::strcpy(declared.host.outData().return_msg, message);
        return result;
      });
    });
  };
  EXPECT_EQ(failure(PF_Err_NONE, "fine"), "(accepted)");
  EXPECT_EQ(failure(516, "no OpenGL 3.3 context\ncould be made"),
            "the effect failed render with error 516: no OpenGL 3.3 context could be made");
  EXPECT_EQ(failure(4, nullptr), "the effect failed render with error 4");
}

}  // namespace
