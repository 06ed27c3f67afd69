#include <gtest/gtest.h>
#include <glbinding/gl33core/gl.h>

#include <regex>

#include "GlCallRecorder.h"
#include "GlTestContext.h"
#include "OpenglShader.h"
#include "ShaderTexts.h"

using namespace gl33core;
using Quillon::Vantrel::OpenglShader;
namespace ShaderText = Quillon::Vantrel::ShaderText;

namespace {

const char* const kVertex = ShaderText::passThroughVertexSource;

const char* const kWorkingFragment = "#version 330\nin vec2 uv;\nout vec4 colourOut;\nvoid main() { colourOut = vec4(uv, 0.0, 1.0); }\n";

const char* const kBrokenFragment = "#version 330\nout vec4 colourOut;\nvoid main() { colourOut = nonsense; }\n";
const char* const kBrokenVertex = "#version 330\nvoid main() { gl_Position = nonsense; }\n";

class OpenglShaderTest : public vantrel_test::GlTest {};

bool allDeleted(const vantrel_test::GlCallRecorder& recorder, const char* creator, GLboolean (*exists)(GLuint)) {
  for (const auto& call : recorder.calls) {
    if (call.name == creator && exists(GLuint(std::stoul(call.returned))) == GL_TRUE) return false;
  }
  return true;
}

TEST_F(OpenglShaderTest, FragmentFailureIsPrintedAndRetriedAtEveryBind) {
  OpenglShader shader(kVertex, kBrokenFragment);
  for (int attempt = 0; attempt < 2; ++attempt) {
    vantrel_test::GlCallRecorder recorder;
    testing::internal::CaptureStdout();
    shader.bind();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_search(printed, std::regex("^Shader frag error:\n.*nonsense[\\s\\S]*\n$"))) << printed;
    EXPECT_EQ(shader.programName(), 0u);
    EXPECT_EQ(recorder.count("glCreateProgram"), 0u);
    EXPECT_EQ(recorder.count("glCompileShader"), 2u);
    EXPECT_TRUE(allDeleted(recorder, "glCreateShader", glIsShader)) << "a failed build keeps no shader";
  }
}

TEST_F(OpenglShaderTest, LongLogIsCutAt511Characters) {
  std::string manyErrors = "#version 330\nout vec4 colourOut;\nvoid main() {\n";
  for (int i = 0; i < 100; ++i) manyErrors += "  colourOut = undeclared" + std::to_string(i) + ";\n";
  OpenglShader shader(kVertex, manyErrors + "}\n");
  testing::internal::CaptureStdout();
  shader.bind();
  const std::string printed = testing::internal::GetCapturedStdout();
  const std::string head = "Shader frag error:\n";
  ASSERT_EQ(printed.rfind(head, 0), 0u) << printed;
  EXPECT_EQ(printed.size(), head.size() + 511 + 1) << printed;
}

TEST_F(OpenglShaderTest, VertexFailureStopsBeforeTheFragmentStage) {
  OpenglShader shader(kBrokenVertex, kWorkingFragment);
  vantrel_test::GlCallRecorder recorder;
  testing::internal::CaptureStdout();
  shader.bind();
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Shader vert error:\n", 0), 0u) << printed;
  EXPECT_EQ(printed.find("frag"), std::string::npos) << printed;
  EXPECT_EQ(recorder.count("glCompileShader"), 1u);
  EXPECT_TRUE(allDeleted(recorder, "glCreateShader", glIsShader));
}

TEST_F(OpenglShaderTest, LinkFailureIsPrintedAndLeavesNoProgram) {
  // The main fragment text declares shapeFunc without defining it.
  OpenglShader shader(kVertex, ShaderText::shapeFragmentSource);
  vantrel_test::GlCallRecorder recorder;
  testing::internal::CaptureStdout();
  shader.bind();
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Program error:\n", 0), 0u) << printed;
  EXPECT_EQ(shader.programName(), 0u);
  EXPECT_EQ(recorder.count("glCreateProgram"), 1u);
  EXPECT_TRUE(allDeleted(recorder, "glCreateProgram", glIsProgram));
  EXPECT_TRUE(allDeleted(recorder, "glCreateShader", glIsShader));
}

TEST_F(OpenglShaderTest, AttributesBindInNameOrderAndKeepTheirFirstIndex) {
  OpenglShader shader(kVertex, kWorkingFragment);
  shader.addAttribute("position", 0);
  shader.addAttribute("input_uv", 1);
  shader.addAttribute("position", 5);
  vantrel_test::GlCallRecorder recorder;
  shader.bind();
  ASSERT_NE(shader.programName(), 0u);

  std::vector<std::string> bound;
  for (const auto& call : recorder.calls) {
    if (call.name == "glBindAttribLocation") bound.push_back(call.parameters.at(1));
  }
  EXPECT_EQ(bound, (std::vector<std::string>{"1", "0"}));  // "input_uv" first, then "position"
  EXPECT_EQ(glGetAttribLocation(shader.programName(), "position"), 0);
  EXPECT_EQ(glGetAttribLocation(shader.programName(), "input_uv"), 1);
  EXPECT_TRUE(allDeleted(recorder, "glCreateShader", glIsShader)) << "shaders go once linked";
}

}  // namespace
