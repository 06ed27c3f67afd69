// --set "NAME=VALUE" against the module's declared controls: constants, keys, names.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "ControlDisplay.h"
#include "NearestName.h"
#include "ParamAssignment.h"
#include "TestHost.h"

namespace {

using minihost::ParamValue;
using vantrel::parseParamSetting;

class ParamAssignmentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { declared_ = std::make_unique<vantrel_test::DeclaredHost>(); }
  static void TearDownTestSuite() { declared_.reset(); }

  static minihost::Host& host() { return declared_->host; }

  // The value of a constant setting.
  static ParamValue constant(const std::string& text) {
    const vantrel::ParamSetting s = parseParamSetting(host(), text);
    if (s.keys.size() != 1 || s.keys[0].seconds != 0) throw std::logic_error(text + " is not a constant");
    return s.keys[0].value;
  }

  // The message parseParamSetting refuses `text` with, or "" when it accepts it.
  static std::string refusal(const std::string& text, double fps = 24) {
    try {
      parseParamSetting(host(), text, fps);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "";
  }

 private:
  static std::unique_ptr<vantrel_test::DeclaredHost> declared_;
};

std::unique_ptr<vantrel_test::DeclaredHost> ParamAssignmentTest::declared_;

struct Accepted {
  const char* name;
  const char* text;
  const char* control;  // the control it must resolve to, by its declared name
  ParamValue value;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Accepted& c, std::ostream* os) { *os << c.name; }

const Accepted kAccepted[] = {
    {"PopupChoice", "Shape Type=Ring", "Shape Type", {2}},
    {"PopupChoiceAnyCase", "shape type=t shape", "Shape Type", {8}},
    {"PopupNumber", "Shape Type=9", "Shape Type", {9}},
    {"EdgeTypeStroke", "Edge Type=stroke", "Edge Type", {2}},
    {"IntegerSlider", "Shape Size 1=1234", "Shape Size 1", {1234}},
    {"IntegerSliderSpaces", "  Shadow Size = 250 ", "Shadow Size", {250}},
    {"PercentSlider", "Shadow Opacity=75", "Shadow Opacity", {75}},
    {"PercentSliderWithPercentSign", "Stroke Opacity=12.5%", "Stroke Opacity", {12.5}},
    {"FloatSlider", "Position X Offset=-1999.5", "Position X Offset", {-1999.5}},
    {"Angle", "Shape Rotation=-37.5", "Shape Rotation", {-37.5}},
    {"AngleWithDeg", "Shape Rotation=90deg", "Shape Rotation", {90}},
    {"Point", "Shape Center=640,360", "Shape Center", {640, 360}},
    {"PointSpacesAndFractions", "Shape Center= -10.5 , 20.25 ", "Shape Center", {-10.5, 20.25}},
    {"CheckboxOn", "Transparent Background=on", "Transparent Background", {1}},
    {"CheckboxOff", "Transparent Background=off", "Transparent Background", {0}},
    {"CheckboxZero", "Transparent Background=0", "Transparent Background", {0}},
    {"Colour", "Shadow Color=#FF8000", "Shadow Color", {255, 128, 0, 255}},
    {"NameInOtherCase", "SHADOW OPACITY=5", "Shadow Opacity", {5}},
};

class Accepts : public ParamAssignmentTest, public ::testing::WithParamInterface<Accepted> {};

TEST_P(Accepts, ValueInTheControlsUnits) {
  const Accepted& c = GetParam();
  EXPECT_EQ(parseParamSetting(host(), c.text).index, host().findParam(c.control));
  EXPECT_EQ(constant(c.text), c.value);
}

INSTANTIATE_TEST_SUITE_P(Table, Accepts, ::testing::ValuesIn(kAccepted),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

struct Refused {
  const char* name;
  const char* text;
  std::vector<std::string> parts;  // each must appear in the message
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

const Refused kRefused[] = {
    {"PercentAboveRange", "Shadow Opacity=150", {"Shadow Opacity", "0% to 100%", "150"}},
    {"ScaleBeyondRange", "Scale X Offset=300", {"Scale X Offset", "-200.0% to 200.0%", "300"}},
    {"IntegerBelowRange", "Instances=0", {"Instances", "1 to 20", "0"}},
    {"IntegerBeyondSliderButWithinValid", "Stroke Size=61", {"Stroke Size", "0 to 60"}},
    {"IntegerFraction", "Instances=2.5", {"Instances", "whole number", "1 to 20", "2.5"}},
    {"NotANumber", "Shadow Size=big", {"Shadow Size", "0 to 1000", "big"}},
    {"NumberWithTrailingText", "Shadow Size=12px", {"Shadow Size", "12px"}},
    {"Infinity", "Shape Size 2=inf", {"Shape Size 2", "inf"}},
    {"TooLargeToRepresent", "Shape Size 1=1e999", {"Shape Size 1", "1e999"}},
    {"PopupNumberAboveRange", "Shape Type=10", {"Shape Type", "1 to 9", "10"}},
    {"PopupNumberZero", "Edge Type=0", {"Edge Type", "1 to 2", "Shadow, Stroke"}},
    {"PopupUnknownChoice", "Shape Type=Star", {"Shape Type", "Star", "Chevron", "1 to 9"}},
    {"UnknownName", "Frobnicate=3", {"no control named \"Frobnicate\"; see vantrel info"}},
    {"NameWithATypo", "Shadow Opacty=5", {"no control named \"Shadow Opacty\"; did you mean \"Shadow Opacity\"?"}},
    {"ColourName", "Shadow Color=red", {"Shadow Color", "#RRGGBB", "red"}},
    {"ColourTooShort", "Shadow Color=#12345", {"Shadow Color", "#RRGGBB"}},
    {"ColourNotHex", "Stroke Color=#GG0000", {"Stroke Color", "#RRGGBB"}},
    {"PointOneNumber", "Shape Center=100", {"Shape Center", "X,Y", "100"}},
    {"PointWords", "Shape Center=a,b", {"Shape Center", "X,Y"}},
    {"AngleWord", "Shape Rotation=north", {"Shape Rotation", "degrees", "north"}},
    {"CheckboxWord", "Transparent Background=maybe", {"Transparent Background", "on or off", "maybe"}},
    {"NoEqualsSign", "Shadow Size", {"NAME=VALUE"}},
    {"NoName", "=5", {"names no control"}},
    {"NoValue", "Shadow Size=", {"Shadow Size", "no value"}},
    {"GroupStart", "Edge=1", {"Edge", "group"}},
    {"ControlCharactersShownInOneLine", "Shadow Size=1\n2", {"Shadow Size", "\"1?2\""}},
    {"KeyWithoutValue", "Shape Size 1=@1s", {"Shape Size 1", "key without a value", "\"@1s\""}},
    {"KeyAmongKeysWithoutTime", "Shape Size 1=0@0s;300", {"Shape Size 1", "key without a time", "\"300\""}},
    {"EmptyKey", "Shape Size 1=0@0s;;1@1s", {"Shape Size 1", "empty key"}},
    {"TimeWithoutUnit", "Shape Size 1=0@0s;5@2", {"Shape Size 1", "\"2\"", "seconds (2s) or frames (48f)"}},
    {"TimeNegative", "Shape Size 1=5@-1s", {"Shape Size 1", "\"-1s\"", "0 or later"}},
    {"TimeFractionOfAFrame", "Shape Size 1=5@1.5f", {"Shape Size 1", "\"1.5f\"", "whole"}},
    {"TwoKeysAtOneTime", "Shadow Size=0@2s;5@48f", {"Shadow Size", "two keys at 2s"}},
    {"KeyOutsideRange", "Shape Size 1=0@0s;3000@1s", {"Shape Size 1 takes", "0 to 2000", "\"3000\""}},
};

class Refuses : public ParamAssignmentTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(Refuses, WithOneLineNamingTheProblem) {
  const Refused& c = GetParam();
  const std::string message = refusal(c.text);
  ASSERT_FALSE(message.empty()) << c.text << " was accepted";
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  for (const std::string& part : c.parts) EXPECT_NE(message.find(part), std::string::npos) << message << " lacks " << part;
}

INSTANTIATE_TEST_SUITE_P(Table, Refuses, ::testing::ValuesIn(kRefused),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(ParamAssignmentTest, EveryControlTakesItsDefaultAsShown) {
  // What `vantrel info` shows as the default is a value --set accepts, and it means the
  // default. A point's default is shown in percent of the layer, and so taken.
  const auto& params = host().params();
  int checked = 0;
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    const PF_ParamType type = param.type();
    if (type == PF_Param_GROUP_START || type == PF_Param_GROUP_END) continue;
    const std::string text = param.name() + "=" + minihost::formatDefault(param);
    EXPECT_EQ(parseParamSetting(host(), text).index, PF_ParamIndex(i)) << text;
    EXPECT_EQ(constant(text), minihost::defaultValue(param)) << text;
    EXPECT_EQ(parseParamSetting(host(), text).inPercent, type == PF_Param_POINT) << text;
    ++checked;
  }
  EXPECT_EQ(checked, 23);  // the 27 controls less four group starts and ends
}

TEST_F(ParamAssignmentTest, EverySliderTakesItsValidRangeAndNothingBeyond) {
  const auto& params = host().params();
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    double min = 0, max = 0;
    if (param.type() == PF_Param_SLIDER) {
      min = param.raw().u.sd.valid_min;
      max = param.raw().u.sd.valid_max;
    } else if (param.type() == PF_Param_FLOAT_SLIDER) {
      min = param.raw().u.fs_d.valid_min;
      max = param.raw().u.fs_d.valid_max;
    } else {
      continue;
    }
    const auto text = [&](double value) { return param.name() + "=" + std::to_string(value); };
    EXPECT_EQ(constant(text(min)), ParamValue{min}) << text(min);
    EXPECT_EQ(constant(text(max)), ParamValue{max}) << text(max);
    const std::string range = minihost::formatValidRange(param);
    for (double outside : {min - 1, max + 1}) {
      const std::string message = refusal(text(outside));
      EXPECT_NE(message.find(param.name() + " takes " + range), std::string::npos) << message;
    }
  }
}

TEST_F(ParamAssignmentTest, ApplyStoresTheValueInTheInstance) {
  minihost::EffectInstance& instance = host().newInstance();
  const PF_ParamIndex center = host().findParam("Shape Center");
  const PF_ParamIndex color = host().findParam("Shadow Color");
  vantrel::applyParamAssignment(host(), instance, "Shape Center=100,200");
  vantrel::applyParamAssignment(host(), instance, "Shadow Color=#102030");
  EXPECT_FALSE(instance.atDefault(center));
  EXPECT_EQ(instance.valueAt(center, 0), (ParamValue{100, 200, 0, 0}));
  EXPECT_EQ(instance.valueAt(color, 0), (ParamValue{16, 32, 48, 255}));
  // The host hands the effect the point in pixels and the colour as bytes.
  const PF_ParamDef def = instance.checkout(color, minihost::FrameContext{0, 640, 360, 1});
  EXPECT_EQ(def.u.cd.value.alpha, 255);
  EXPECT_EQ(def.u.cd.value.red, 16);
  EXPECT_EQ(def.u.cd.value.blue, 48);
  // A point in percent follows the layer, as its default does.
  vantrel::applyParamAssignment(host(), instance, "Shape Center=25%,75%");
  const PF_ParamDef point = instance.checkout(center, minihost::FrameContext{0, 640, 360, 2});
  EXPECT_EQ(point.u.td.x_value, 80 << 16);
  EXPECT_EQ(point.u.td.y_value, 135 << 16);
  EXPECT_THROW(vantrel::applyParamAssignment(host(), instance, "Shape Center=25%,75%@0s;10,10@1s"), std::runtime_error);
  EXPECT_THROW(vantrel::applyParamAssignment(host(), instance, "Instances=99"), std::runtime_error);
}

TEST_F(ParamAssignmentTest, NoFrameRateBelowOrAtZero) {
  EXPECT_NE(refusal("Shadow Size=0@0f;1@1f", 0).find("frame rate"), std::string::npos);
  EXPECT_NE(refusal("Shadow Size=1", -24).find("frame rate"), std::string::npos);
}

struct Keyed {
  const char* name;
  const char* text;
  double fps;
  std::vector<minihost::Keyframe> keys;  // ordered by time
};

void PrintTo(const Keyed& c, std::ostream* os) { *os << c.name; }

const Keyed kKeyed[] = {
    {"Seconds", "Shape Size 1=0@0s;300@2s", 24, {{0, {0}}, {2, {300}}}},
    {"FractionsSpacesUpperCase", "Shape Size 1= 0 @ 0.5s ; 300 @ 1.25S", 24, {{0.5, {0}}, {1.25, {300}}}},
    {"FramesAt24", "Shadow Size=0@0f;100@48f", 24, {{0, {0}}, {2, {100}}}},
    {"FramesAt30", "Shadow Size=0@0f;100@48F", 30, {{0, {0}}, {1.6, {100}}}},
    {"UnsortedKeysSorted", "Instances=20@2s;1@0s;10@1s", 24, {{0, {1}}, {1, {10}}, {2, {20}}}},
    {"PopupChoicesAndNumbers", "Shape Type=Ring@0s;9@1s", 24, {{0, {2}}, {1, {9}}}},
    {"Points", "Shape Center=0,0@0s;100,-50@1s", 24, {{0, {0, 0}}, {1, {100, -50}}}},
    {"Colours", "Shadow Color=#000000@0s;#FF8040@1s", 24, {{0, {0, 0, 0, 255}}, {1, {255, 128, 64, 255}}}},
    {"AnglesFramesAndSeconds", "Shape Rotation=0deg@12f;-90@1s", 24, {{0.5, {0}}, {1, {-90}}}},
    {"OneKey", "Opacity Offset=50%@2s", 24, {{2, {50}}}},
};

class ParsesKeys : public ParamAssignmentTest, public ::testing::WithParamInterface<Keyed> {};

TEST_P(ParsesKeys, AtTheirTimesInOrder) {
  const Keyed& c = GetParam();
  const vantrel::ParamSetting s = parseParamSetting(host(), c.text, c.fps);
  ASSERT_EQ(s.keys.size(), c.keys.size());
  for (std::size_t i = 0; i < c.keys.size(); ++i) {
    EXPECT_DOUBLE_EQ(s.keys[i].seconds, c.keys[i].seconds) << "key " << i;
    EXPECT_EQ(s.keys[i].value, c.keys[i].value) << "key " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ParsesKeys, ::testing::ValuesIn(kKeyed),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(ParamAssignmentTest, KeysInterpolateInTheInstanceAndALaterSettingReplacesThem) {
  minihost::EffectInstance& instance = host().newInstance();
  const auto at = [&](const char* control, double seconds) { return instance.valueAt(host().findParam(control), seconds); };
  for (const char* text : {"Shape Size 1=0@0s;300@2s", "Shape Type=Ring@0s;Chevron@1s", "Transparent Background=off@0s;on@1s",
                           "Shape Center=0,0@0s;100,-50@1s", "Shadow Color=#000000@0s;#FF8040@1s"}) {
    vantrel::applyParamAssignment(host(), instance, text);
  }
  EXPECT_EQ(at("Shape Size 1", 1), ParamValue{150});
  EXPECT_EQ(at("Shape Size 1", 9), ParamValue{300});  // held after the last key
  EXPECT_EQ(at("Shape Type", 0.99), ParamValue{2});   // popups hold until the next key
  EXPECT_EQ(at("Shape Type", 1), ParamValue{9});
  EXPECT_EQ(at("Transparent Background", 0.5), ParamValue{0});
  EXPECT_EQ(at("Shape Center", 0.5), (ParamValue{50, -25, 0, 0}));
  EXPECT_EQ(at("Shadow Color", 0.5), (ParamValue{127.5, 64, 32, 255}));

  vantrel::applyParamAssignment(host(), instance, "Shape Size 1=7");
  EXPECT_EQ(at("Shape Size 1", 1), ParamValue{7});
  EXPECT_EQ(instance.keyframes(host().findParam("Shape Size 1")).size(), 1u);
}

TEST(NearestName, SuggestsOnlyANearName) {
  const std::vector<std::string> names{"Shape Size 1", "Shape Size 2", "Shadow Opacity", "Echo"};
  EXPECT_EQ(vantrel::nearestName("shadow opacty", names), "Shadow Opacity");
  EXPECT_EQ(vantrel::nearestName("Shape Size", names), "Shape Size 1");  // the first of equals
  EXPECT_EQ(vantrel::editDistance("kitten", "SITTING"), 3u);
  EXPECT_EQ(vantrel::nearestName("Eco", names), "Echo");                 // two edits even for short names
  EXPECT_EQ(vantrel::nearestName("Xyz", names), "");
  EXPECT_EQ(vantrel::nearestName("Opacity", names), "");                 // 7 edits: too far
}

}  // namespace
