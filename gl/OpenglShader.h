#pragma once

#include <glbinding/gl/types.h>

#include <map>
#include <string>

#include "AffineMatrix.h"

namespace Quillon::Vantrel {

// A GLSL program built from its texts on first bind. A text that fails to compile or
// link is reported on standard output and retried at the next bind; until it builds,
// every setter does nothing. Uniforms are looked up by name on every call.
class OpenglShader {
 public:
  OpenglShader(std::string vertex, std::string fragment);
  virtual ~OpenglShader();
  OpenglShader(const OpenglShader&) = delete;
  OpenglShader& operator=(const OpenglShader&) = delete;

  // Fixes a vertex attribute's index before linking; a name keeps its first index.
  void addAttribute(const std::string& name, gl::GLuint index);
  void compile();
  void bind();

  // Binds `texture` to unit 0 and points the sampler `name` at that unit.
  void setTexture(const char* name, gl::GLuint texture);
  void setUniform(const char* name, gl::GLint value);
  void setUniform(const char* name, float value);
  void setUniform(const char* name, const double* pair);
  void setUniform(const char* name, float x, float y, float z, float w);
  void setUniformMat3Array(const char* name, const AffineMatrix* matrices, gl::GLint count);

  gl::GLuint programName() const { return program; }

 private:
  gl::GLint location(const char* name) const;

  std::string vertexSource;
  std::string fragmentSource;
  std::string geometrySource;  // empty: no geometry stage
  gl::GLuint program = 0;
  std::map<std::string, gl::GLuint> attributeLocations;
};

}  // namespace Quillon::Vantrel
