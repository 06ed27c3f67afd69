// Every distance function, evaluated on the GPU at points whose values follow from the
// geometry, inside the main fragment text as the program joins them.
#include <gtest/gtest.h>
#include <glbinding/gl33core/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "GlTestContext.h"
#include "OpenglShader.h"
#include "ParamIndex.h"
#include "ParameterSnapshot.h"
#include "ShaderTexts.h"

using namespace gl33core;
using Quillon::Vantrel::OpenglShader;
namespace ShaderText = Quillon::Vantrel::ShaderText;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Probe {
  float qx, qy;  // the sample point relative to the centre
  float expected;
};

struct ShapeCase {
  const char* name;
  int shapeType;
  float size1, size2;
  std::vector<Probe> probes;
};
void PrintTo(const ShapeCase& shape, std::ostream* out) { *out << shape.name; }  // for ctest's listing

const double kRoot2 = std::sqrt(2.0);
const float kOctagonVertex = float(8 / std::cos(kPi / 8));

const ShapeCase kCases[] = {
    {"Circle", 1, 10, 0, {{0, 0, -10}, {10, 0, 0}, {6, -8, 0}, {0, 15, 5}}},
    {"Ring", 2, 10, 5, {{7.5f, 0, -2.5f}, {0, 0, 5}, {0, -10, 0}, {3, 4, 0}, {0, 12, 2}}},
    {"RingInnerBeyondOuter", 2, 5, 10, {{0, 7.5f, 2.5f}, {0, 0, 10}, {0, 20, 15}}},
    {"Cross", 3, 18, 6, {{0, 0, -3}}},
    {"CrossInsetHalf", 3, 18, 9, {{0, 0, 0}}},
    {"CrossInsetBeyond", 3, 18, 10, {{0, 0, 1}}},
    {"CrossBarTip", 3, 18, 0, {{float(9 / kRoot2), float(9 / kRoot2), 0}, {0, 0, -9}}},
    {"Triangle", 4, 6, 0, {{0, 6, 0}, {0, -12, 0}, {float(12 * std::sin(kPi / 3)), 6, 0}, {0, 0, -6}}},
    {"Hexagon", 6, 8, 0, {{8, 0, 0}, {0, float(16 / std::sqrt(3.0)), 0}, {-8, 0, 0}, {0, 0, -8}}},
    {"Octagon", 7, 8, 0, {{0, kOctagonVertex, 0}, {kOctagonVertex, 0, 0}, {-kOctagonVertex, 0, 0}, {0, 0, -8}}},
    {"Rectangle", 5, 9, 4, {{0, 0, -4}, {9, 0, 0}, {12, 8, 5}, {9, 4, 0}, {-9, -4, 0}, {0, 6, 2}}},
    {"TShape", 8, 18, 6, {{0, 9, 0}, {0, -9, 0}, {0, 0, -3}, {8, 6, -1}, {8, 0, 3}, {0, 7, -2}}},
    {"Chevron", 9, 6, 0,
     {{float(6 * kRoot2), 0, 0}, {0, 0, 0}, {0, float(6 * kRoot2), 0}, {0, float(-6 * kRoot2), 0}}},
};

// The main text with its entry renamed, the distance function, and an entry that writes
// shapeFunc at probe i into pixel i.
std::string probeFragment(int shapeType) {
  std::string main = ShaderText::shapeFragmentSource;
  const std::string entry = "void main()";
  main.replace(main.find(entry), entry.size(), "void shapeMain()");
  return main + ShaderText::shapeFuncSource(shapeType) +
         "uniform vec2 probes[16];\n"
         "uniform vec2 origin;\n"
         "uniform vec2 sizes;\n"
         "void main() {\n"
         "  colourOut = vec4(shapeFunc(probes[int(gl_FragCoord.x)], origin, sizes.x, sizes.y), 0.0, 0.0, 1.0);\n"
         "}\n";
}

class ShapeFunction : public vantrel_test::GlTest, public testing::WithParamInterface<ShapeCase> {};

TEST_P(ShapeFunction, MatchesTheGeometry) {
  const ShapeCase& shape = GetParam();
  ASSERT_NE(ShaderText::shapeFuncSource(shape.shapeType), nullptr);

  OpenglShader probe(ShaderText::passThroughVertexSource, probeFragment(shape.shapeType));
  probe.addAttribute("position", 0);
  probe.bind();
  ASSERT_NE(probe.programName(), 0u);

  const GLsizei count = GLsizei(shape.probes.size());
  GLuint texture = 0, framebuffer = 0, vertexArray = 0, buffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, count, 1, 0, GL_RGBA, GL_FLOAT, nullptr);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GL_FRAMEBUFFER_COMPLETE);

  const float quad[] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, 1, 1, 0};
  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);

  // An origin off the pixel grid, so that q = uv - origin is checked too.
  const double origin[2] = {100.5, 50.25};
  const double sizes[2] = {shape.size1, shape.size2};
  std::vector<float> points;
  for (const Probe& p : shape.probes) {
    points.push_back(float(origin[0] + p.qx));
    points.push_back(float(origin[1] + p.qy));
  }
  glUniform2fv(glGetUniformLocation(probe.programName(), "probes"), count, points.data());
  probe.setUniform("origin", origin);
  probe.setUniform("sizes", sizes);
  glViewport(0, 0, count, 1);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

  std::vector<float> values(std::size_t(count) * 4);
  glReadPixels(0, 0, count, 1, GL_RGBA, GL_FLOAT, values.data());
  for (std::size_t i = 0; i < shape.probes.size(); ++i) {
    const Probe& p = shape.probes[i];
    // Float rounding of the point (about 1e-5 at these coordinates) and of atan and cos.
    EXPECT_NEAR(values[4 * i], p.expected, 2e-4) << "q = (" << p.qx << ", " << p.qy << ")";
  }

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &vertexArray);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeFunction, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ShapeCase>& param) { return param.param.name; });

// The values the shape program receives: odd lengths, whose halves are not whole, and a
// centre left of and above the layer's origin (-0.5, -1.25 in 16.16).
PF_Err checkoutOddValues(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* param) {
  if (index == Quillon::Vantrel::kShapeSize1 || index == Quillon::Vantrel::kShapeSize2) param->u.sd.value = 301;
  if (index == Quillon::Vantrel::kPositionXOffset || index == Quillon::Vantrel::kPositionYOffset) param->u.fs_d.value = 7;
  if (index == Quillon::Vantrel::kShapeCenter) param->u.td.x_value = -0x8000, param->u.td.y_value = -0x14000;
  return PF_Err_NONE;
}

PF_Err checkinNothing(PF_ProgPtr, PF_ParamDef*) { return PF_Err_NONE; }

TEST(ShapeValues, LengthsUseTheHorizontalDenominatorAndTheCentreItsFloor) {
  PF_InData in{};
  in.inter.checkout_param = checkoutOddValues;
  in.inter.checkin_param = checkinNothing;
  in.downsample_x = {1, 2};
  in.downsample_y = {1, 3};
  Quillon::Vantrel::RenderRecord record;
  Quillon::Vantrel::takeParameterSnapshot(record, in);
  EXPECT_EQ(record.shapeSize1, 150.5f);
  EXPECT_EQ(record.shapeSize2, 150.5f);
  EXPECT_EQ(record.positionXOffset, 3.5f);
  EXPECT_EQ(record.positionYOffset, 3.5f);
  EXPECT_EQ(record.center[0], -1.0);
  EXPECT_EQ(record.center[1], -2.0);
}

}  // namespace
