#pragma once

#include <glbinding/gl/types.h>

#include "OpenglShader.h"

namespace Quillon::Vantrel {

// Draws a resolved, premultiplied picture back in the host's channel order: alpha, then
// straight red, green and blue.
class ConversionPass {
 public:
  ConversionPass();
  ~ConversionPass();  // with a context of the effect current
  ConversionPass(const ConversionPass&) = delete;
  ConversionPass& operator=(const ConversionPass&) = delete;

  // `vertexArray`: the quad's vertex array of the current context, made here when 0.
  void draw(gl::GLuint texture, float multiplier, gl::GLuint& vertexArray);

 private:
  gl::GLuint conversionVertexBuffer = 0;
  OpenglShader conversionShader;
};

}  // namespace Quillon::Vantrel
