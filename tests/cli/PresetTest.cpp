// Presets: every value form, refusals naming the file and the control, save and load.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "ParamAssignment.h"
#include "Preset.h"
#include "TestHost.h"

namespace {

using minihost::ParamValue;

class PresetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { declared_ = std::make_unique<vantrel_test::DeclaredHost>(); }
  static void TearDownTestSuite() { declared_.reset(); }
  static minihost::Host& host() { return declared_->host; }
  static PF_ParamIndex index(const char* control) { return host().findParam(control); }

  std::string write(const std::string& text) const {
    std::ofstream(folder_.file("look.json")) << text;
    return folder_.file("look.json");
  }
  static std::string read(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  vantrel_test::TempFolder folder_;

 private:
  static std::unique_ptr<vantrel_test::DeclaredHost> declared_;
};

std::unique_ptr<vantrel_test::DeclaredHost> PresetTest::declared_;

TEST_F(PresetTest, ReadsEveryValueFormAndASettingAfterItOverridesIt) {
  minihost::EffectInstance& instance = host().newInstance();
  vantrel::loadPreset(host(), instance, write(R"({
    "Shape Type": "ring", "Fill Type": 2, "shape size 2": 75, "Shape Rotation": 45.5,
    "Shape Size 1": [[0, 0], ["48f", 300], ["1s", 100]],
    "Shape Center": [640, 360.5], "Transparent Background": true, "Shadow Color": "#FF8000",
    "Shadow Opacity": "12.5%", "Edge Type": [[0, "Shadow"], [1.5, "Stroke"]]
  })"), 24);
  const auto at = [&](const char* control, double seconds) { return instance.valueAt(index(control), seconds); };
  EXPECT_EQ(at("Shape Type", 0), ParamValue{2});
  EXPECT_EQ(at("Fill Type", 0), ParamValue{2});
  EXPECT_EQ(at("Shape Size 2", 0), ParamValue{75});
  EXPECT_EQ(at("Shape Rotation", 0), ParamValue{45.5});
  EXPECT_EQ(at("Shape Size 1", 0.5), ParamValue{50});
  EXPECT_EQ(at("Shape Size 1", 1.5), ParamValue{200});
  EXPECT_EQ(at("Shape Center", 0), (ParamValue{640, 360.5, 0, 0}));
  EXPECT_EQ(at("Transparent Background", 0), ParamValue{1});
  EXPECT_EQ(at("Shadow Color", 0), (ParamValue{255, 128, 0, 255}));
  EXPECT_EQ(at("Shadow Opacity", 0), ParamValue{12.5});
  EXPECT_EQ(at("Edge Type", 1.4), ParamValue{1});
  EXPECT_EQ(at("Edge Type", 1.5), ParamValue{2});
  EXPECT_TRUE(instance.atDefault(index("Instances")));  // left out, left alone

  vantrel::applyParamAssignment(host(), instance, "Shape Size 1=42");
  EXPECT_EQ(at("Shape Size 1", 0.5), ParamValue{42});
}

struct Refused {
  const char* name;
  const char* json;  // null: no file at all
  std::vector<std::string> parts;  // each must appear in the message
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

const Refused kRefused[] = {
    {"MissingFile", nullptr, {"cannot read ", "look.json: No such file or directory"}},
    {"NotJson", "{\"Instances\": 3,", {"look.json: not JSON", "line 1"}},
    {"NotAnObject", "[1, 2]", {"look.json: ", "JSON object"}},
    {"UnknownName", R"({"Shadow Opacty": 5})", {"look.json: no control named \"Shadow Opacty\"; did you mean \"Shadow Opacity\"?"}},
    {"OutsideRange", R"({"Instances": 2, "Shape Size 1": 3000})", {"look.json: \"Shape Size 1\" takes", "0 to 2000", "\"3000\""}},
    {"UnknownChoice", R"({"Shape Type": "Star"})", {"look.json: \"Shape Type\" takes", "Chevron", "\"Star\""}},
    {"PointOfThree", R"({"Shape Center": [1, 2, 3]})", {"look.json: \"Shape Center\"", "X,Y", "[1,2,3]"}},
    {"NullValue", R"({"Shadow Color": null})", {"look.json: \"Shadow Color\"", "#RRGGBB", "\"null\""}},
    {"KeyNotAPair", R"({"Shadow Size": [[0, 1, 2]]})", {"look.json: \"Shadow Size\"", "[time, value] pair", "[0,1,2]"}},
    {"NoKeys", R"({"Shadow Size": []})", {"look.json: \"Shadow Size\" has no keys"}},
    {"TimeWithoutUnit", R"({"Shadow Size": [["2", 1]]})", {"look.json: \"Shadow Size\"", "\"2\"", "(48f)"}},
    {"TwoKeysAtOneTime", R"({"Shadow Size": [[2, 1], ["48f", 5]]})", {"look.json: \"Shadow Size\" has two keys at 2s"}},
    {"SameControlTwice", R"({"Instances": 2, "instances": 3})", {"look.json: \"instances\"", "Instances a second time"}},
};

class RefusesPreset : public PresetTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(RefusesPreset, NamingTheFileAndTheControlAndStoringNothing) {
  const Refused& c = GetParam();
  minihost::EffectInstance& instance = host().newInstance();
  const std::string path = c.json ? write(c.json) : folder_.file("look.json");
  std::string message;
  try {
    vantrel::loadPreset(host(), instance, path, 24);
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  ASSERT_FALSE(message.empty()) << "accepted";
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  for (const std::string& part : c.parts) EXPECT_NE(message.find(part), std::string::npos) << message << " lacks " << part;
  EXPECT_TRUE(instance.atDefault(index("Instances")));
}

INSTANTIATE_TEST_SUITE_P(Table, RefusesPreset, ::testing::ValuesIn(kRefused),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(PresetTest, SavesShownValuesInDeclarationOrder) {
  minihost::EffectInstance& instance = host().newInstance();
  for (const char* text : {"Shape Type=Ring", "Transparent Background=on", "Shadow Color=#FF8000", "Shape Size 1=0@0s;300@2s"}) {
    vantrel::applyParamAssignment(host(), instance, text);
  }
  const std::string path = folder_.file("saved.json");
  vantrel::savePreset(host(), instance, path);
  const std::string text = read(path);
  EXPECT_EQ(text.rfind("{\n  \"Shape Type\": \"Ring\",\n  \"Shape Size 1\": [[0.0, 0], [2.0, 300]],\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n  \"Transparent Background\": true,\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  \"Shadow Color\": \"#FF8000\",\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  \"Opacity Offset\": 0.0\n}\n"), std::string::npos) << text;  // the last control
  EXPECT_EQ(text.find("Shape Center"), std::string::npos) << "a point at its default follows the layer";
  EXPECT_EQ(text.find("\"Echo\""), std::string::npos) << "groups hold no value";
  EXPECT_EQ(folder_.names(), std::vector<std::string>{"saved.json"});
}

TEST_F(PresetTest, SavedAndLoadedGivesTheSameSettings) {
  minihost::EffectInstance& saved = host().newInstance();
  for (const char* text :
       {"Shape Type=Chevron@0s;Ring@1.5s;Cross@3s", "Shape Size 1=0@0s;300@2s", "Shape Center=-10.25,20@0s;640,360@1s",
        "Shape Rotation=33.3", "Fill Type=Fill Inside", "Transparent Background=on@0s;off@10f",
        "Shadow Color=#102030@0s;#FFFFFF@0.1s", "Shadow Opacity=12.345", "Scale X Offset=-199.9@1s;0.1@2s",
        "Rotation Offset=1e-3"}) {
    vantrel::applyParamAssignment(host(), saved, text, 30);
  }
  const std::string path = folder_.file("round.json");
  vantrel::savePreset(host(), saved, path);
  minihost::EffectInstance& loaded = host().newInstance();
  vantrel::loadPreset(host(), loaded, path, 24);

  const auto& params = host().params();
  for (std::size_t i = 1; i < params.size(); ++i) {
    const auto& a = saved.keyframes(PF_ParamIndex(i));
    const auto& b = loaded.keyframes(PF_ParamIndex(i));
    ASSERT_EQ(a.size(), b.size()) << params[i].name();
    for (std::size_t k = 0; k < a.size(); ++k) {
      EXPECT_EQ(a[k].seconds, b[k].seconds) << params[i].name() << " key " << k;
      EXPECT_EQ(a[k].value, b[k].value) << params[i].name() << " key " << k;
    }
  }
  vantrel::savePreset(host(), loaded, folder_.file("again.json"));
  EXPECT_EQ(read(folder_.file("again.json")), read(path));
}

}  // namespace
