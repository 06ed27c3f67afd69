#include "OpenglShader.h"

#include <glbinding/gl33core/gl.h>

#include <algorithm>
#include <vector>

#include "Diagnostics.h"

using namespace gl33core;

namespace Quillon::Vantrel {
namespace {

constexpr GLsizei kLogLimit = 512;

void reportShaderError(GLuint shader, const char* stage) {
  char log[kLogLimit + 1];
  GLsizei length = 0;
  glGetShaderInfoLog(shader, kLogLimit, &length, log);
  log[std::min(length, kLogLimit)] = '\0';
  printDiagnostic("Shader %s error:\n%s\n", stage, log);
}

void reportProgramError(GLuint program) {
  char log[kLogLimit + 1];
  GLsizei length = 0;
  glGetProgramInfoLog(program, kLogLimit, &length, log);
  log[std::min(length, kLogLimit)] = '\0';
  printDiagnostic("Program error:\n%s\n", log);
}

struct Stage {
  GLenum type;
  const std::string* source;
  const char* name;
  GLuint shader = 0;
};

}  // namespace

OpenglShader::OpenglShader(std::string vertex, std::string fragment)
    : vertexSource(std::move(vertex)), fragmentSource(std::move(fragment)) {}

OpenglShader::~OpenglShader() {
  if (program != 0) glDeleteProgram(program);
}

void OpenglShader::addAttribute(const std::string& name, GLuint index) {
  attributeLocations.emplace(name, index);
}

void OpenglShader::compile() {
  std::vector<Stage> stages = {{GL_VERTEX_SHADER, &vertexSource, "vert"},
                               {GL_FRAGMENT_SHADER, &fragmentSource, "frag"}};
  if (!geometrySource.empty()) stages.push_back({GL_GEOMETRY_SHADER, &geometrySource, "geo"});
  for (Stage& stage : stages) stage.shader = glCreateShader(stage.type);

  // Nothing of a failed build is kept: it is retried from scratch at the next bind.
  auto deleteShaders = [&stages] {
    for (const Stage& stage : stages) glDeleteShader(stage.shader);
  };

  for (const Stage& stage : stages) {
    const char* text = stage.source->c_str();
    glShaderSource(stage.shader, 1, &text, nullptr);
    glCompileShader(stage.shader);
    GLint status = 0;
    glGetShaderiv(stage.shader, GL_COMPILE_STATUS, &status);
    if (status != 1) {
      reportShaderError(stage.shader, stage.name);
      deleteShaders();
      return;
    }
  }

  const GLuint linked = glCreateProgram();
  for (const Stage& stage : stages) glAttachShader(linked, stage.shader);
  for (const auto& [name, index] : attributeLocations) glBindAttribLocation(linked, index, name.c_str());
  glLinkProgram(linked);
  GLint status = 0;
  glGetProgramiv(linked, GL_LINK_STATUS, &status);
  if (status != 1) {
    reportProgramError(linked);
    glDeleteProgram(linked);
    deleteShaders();
    return;
  }

  program = linked;
  for (const Stage& stage : stages) {
    glDetachShader(program, stage.shader);
    glDeleteShader(stage.shader);
  }
}

void OpenglShader::bind() {
  if (program == 0) compile();
  glUseProgram(program);
}

GLint OpenglShader::location(const char* name) const { return glGetUniformLocation(program, name); }

void OpenglShader::setTexture(const char* name, GLuint texture) {
  if (program == 0) return;
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  const GLint at = location(name);
  if (at != -1) glUniform1i(at, 0);
}

void OpenglShader::setUniform(const char* name, GLint value) {
  if (program == 0) return;
  if (const GLint at = location(name); at != -1) glUniform1i(at, value);
}

void OpenglShader::setUniform(const char* name, float value) {
  if (program == 0) return;
  if (const GLint at = location(name); at != -1) glUniform1f(at, value);
}

void OpenglShader::setUniform(const char* name, const double* pair) {
  if (program == 0) return;
  if (const GLint at = location(name); at != -1) glUniform2f(at, float(pair[0]), float(pair[1]));
}

void OpenglShader::setUniform(const char* name, float x, float y, float z, float w) {
  if (program == 0) return;
  if (const GLint at = location(name); at != -1) glUniform4f(at, x, y, z, w);
}

void OpenglShader::setUniformMat3Array(const char* name, const AffineMatrix* matrices, GLint count) {
  if (program == 0) return;
  const GLint at = location(name);
  if (at == -1) return;
  // Column-major 3x3 with rows (m0 m1 m2), (m3 m4 m5), (0 0 1). Arrays of the effect's
  // size go through the stack: this runs every frame.
  constexpr GLint kOnStack = 32;
  float onStack[kOnStack * 9];
  std::vector<float> onHeap;
  float* columns = onStack;
  if (count > kOnStack) {
    onHeap.resize(std::size_t(count) * 9);
    columns = onHeap.data();
  }
  for (GLint k = 0; k < count; ++k) {
    const AffineMatrix& m = matrices[k];
    const float column[9] = {float(m.m0), float(m.m3), 0, float(m.m1), float(m.m4), 0, float(m.m2), float(m.m5), 1};
    std::copy(column, column + 9, columns + std::size_t(k) * 9);
  }
  glUniformMatrix3fv(at, count, GL_FALSE, columns);
}

}  // namespace Quillon::Vantrel
