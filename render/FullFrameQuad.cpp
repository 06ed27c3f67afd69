#include "FullFrameQuad.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace Quillon::Vantrel::FullFrameQuad {
namespace {

// clang-format off
constexpr float kVertices[6][5] = {
  { 1, -1, 0, 1, 0},
  { 1,  1, 0, 1, 1},
  {-1,  1, 0, 0, 1},
  {-1,  1, 0, 0, 1},
  {-1, -1, 0, 0, 0},
  { 1, -1, 0, 1, 0},
};
// clang-format on
constexpr GLsizei kStride = 5 * sizeof(float);

}  // namespace

void ensureBuffer(GLuint& buffer) {
  if (buffer != 0) return;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof kVertices, kVertices, GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void draw(GLuint& vertexArray, GLuint buffer) {
  if (vertexArray == 0) {
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<const void*>(3 * sizeof(float)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  } else {
    glBindVertexArray(vertexArray);
  }
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glBindVertexArray(0);
}

}  // namespace Quillon::Vantrel::FullFrameQuad
