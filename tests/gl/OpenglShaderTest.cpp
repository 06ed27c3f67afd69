#include <gtest/gtest.h>
#include <glbinding/gl33core/gl.h>

#include <regex>

#include "GlCallRecorder.h"
#include "GlTestContext.h"
#include "OpenglShader.h"
#include "ShaderTexts.h"

using namespace gl33core;
using Quillon::Vantrel::AffineMatrix;
using Quillon::Vantrel::OpenglShader;
namespace ShaderText = Quillon::Vantrel::ShaderText;

namespace {

const char* const kVertex = ShaderText::passThroughVertexSource;

// Every uniform the setters can reach, all of them active.
const char* const kProbeFragment = R"(#version 330
in vec2 uv;
out vec4 colourOut;
uniform mat3 matrices[2];
uniform vec2 pair;
uniform int whole;
uniform float single;
uniform vec4 four;
uniform sampler2D image;
void main() {
  colourOut = vec4(matrices[0][2].x + matrices[1][2].y + pair.x + pair.y + float(whole) + single,
                   four.x, texture(image, uv).r, 1.0);
}
)";

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
  OpenglShader shader(kBrokenVertex, kProbeFragment);
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
  OpenglShader shader(kVertex, kProbeFragment);
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

TEST_F(OpenglShaderTest, UniformsReachTheProgram) {
  OpenglShader shader(kVertex, kProbeFragment);
  shader.bind();
  const GLuint program = shader.programName();
  ASSERT_NE(program, 0u);

  const AffineMatrix matrices[2] = {{}, {1, 0, 5, 0, 1, 7}};
  shader.setUniformMat3Array("matrices", matrices, 2);
  float uploaded[2][9];
  glGetUniformfv(program, glGetUniformLocation(program, "matrices[0]"), uploaded[0]);
  glGetUniformfv(program, glGetUniformLocation(program, "matrices[1]"), uploaded[1]);
  EXPECT_EQ(std::vector<float>(uploaded[0], uploaded[0] + 9), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_EQ(std::vector<float>(uploaded[1], uploaded[1] + 9), (std::vector<float>{1, 0, 0, 0, 1, 0, 5, 7, 1}));

  const double pair[2] = {0.1, 1.0 / 3.0};
  shader.setUniform("pair", pair);
  float pairBack[2];
  glGetUniformfv(program, glGetUniformLocation(program, "pair"), pairBack);
  EXPECT_EQ(pairBack[0], 0.1f);
  EXPECT_EQ(pairBack[1], float(1.0 / 3.0));

  shader.setUniform("four", 1.f, 2.f, 3.f, 4.f);
  float fourBack[4];
  glGetUniformfv(program, glGetUniformLocation(program, "four"), fourBack);
  EXPECT_EQ(std::vector<float>(fourBack, fourBack + 4), (std::vector<float>{1, 2, 3, 4}));

  shader.setUniform("whole", -7);
  shader.setUniform("single", 0.625f);
  glUniform1i(glGetUniformLocation(program, "image"), 5);
  shader.setTexture("image", 0);
  GLint wholeBack = 0, samplerUnit = -1;
  float singleBack = 0;
  glGetUniformiv(program, glGetUniformLocation(program, "whole"), &wholeBack);
  glGetUniformfv(program, glGetUniformLocation(program, "single"), &singleBack);
  glGetUniformiv(program, glGetUniformLocation(program, "image"), &samplerUnit);
  EXPECT_EQ(wholeBack, -7);
  EXPECT_EQ(singleBack, 0.625f);
  EXPECT_EQ(samplerUnit, 0);
}

}  // namespace
