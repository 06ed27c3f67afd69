#include "LinearTexture.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace Quillon::Vantrel {

GLuint createLinearTexture(GLenum internalFormat, GLsizei width, GLsizei height) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(GL_LINEAR));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(GL_LINEAR));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLint(GL_CLAMP_TO_EDGE));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLint(GL_CLAMP_TO_EDGE));
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  return texture;
}

}  // namespace Quillon::Vantrel
