// The conversion pass on every 8-bit premultiplied colour a resolved layer can hold, low
// alphas included, against the reference's un-premultiplication: alpha exact, straight
// colour within the one step that float division may tip at a rounding boundary.
#include <gtest/gtest.h>
#include <glbinding/gl33core/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ConversionPass.h"
#include "GlTestContext.h"
#include "ReferenceRenderer.h"

using namespace gl33core;

namespace {

class ConversionPassTest : public vantrel_test::GlTest {};

TEST_F(ConversionPassTest, UnpremultipliesEveryAlpha) {
  // Row a holds alpha a; column c the colours (min(c, a), min(255 - c, a), a / 2).
  constexpr int kSize = 256;
  std::vector<std::uint8_t> premultiplied(kSize * kSize * 4);
  for (int a = 0; a < kSize; ++a) {
    for (int c = 0; c < kSize; ++c) {
      std::uint8_t* p = &premultiplied[(a * kSize + c) * 4];
      p[0] = std::uint8_t(std::min(c, a));
      p[1] = std::uint8_t(std::min(255 - c, a));
      p[2] = std::uint8_t(a / 2);
      p[3] = std::uint8_t(a);
    }
  }
  GLuint texture = 0, renderbuffer = 0, framebuffer = 0, vertexArray = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, premultiplied.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSize, kSize);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
  glViewport(0, 0, kSize, kSize);
  std::vector<std::uint8_t> converted(premultiplied.size());
  {
    Quillon::Vantrel::ConversionPass pass;
    pass.draw(texture, 1.0f, vertexArray);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, converted.data());
  }
  ASSERT_EQ(glGetError(), GL_NO_ERROR);
  glDeleteVertexArrays(1, &vertexArray);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteRenderbuffers(1, &renderbuffer);
  glDeleteTextures(1, &texture);

  int outliers = 0;
  for (std::size_t i = 0; i < converted.size(); i += 4) {
    const std::uint8_t* p = &premultiplied[i];
    const PF_Pixel want = vantrel_reference::storeAndConvert({p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0});
    const std::uint8_t* got = &converted[i];
    const bool close = got[0] == want.alpha && std::abs(got[1] - want.red) <= 1 &&
                       std::abs(got[2] - want.green) <= 1 && std::abs(got[3] - want.blue) <= 1;
    if (!close && ++outliers <= 3) {
      ADD_FAILURE() << "premultiplied RGBA " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]) << "," << int(p[3])
                    << " gave ARGB " << int(got[0]) << "," << int(got[1]) << "," << int(got[2]) << "," << int(got[3])
                    << ", want " << int(want.alpha) << "," << int(want.red) << "," << int(want.green) << ","
                    << int(want.blue);
    }
  }
  EXPECT_EQ(outliers, 0);
}

}  // namespace
