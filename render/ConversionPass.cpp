#include "ConversionPass.h"

#include <glbinding/gl33core/gl.h>

#include "FullFrameQuad.h"
#include "ShaderTexts.h"

using namespace gl33core;

namespace Quillon::Vantrel {

ConversionPass::ConversionPass()
    : conversionShader(ShaderText::passThroughVertexSource, ShaderText::conversionFragmentSource) {
  conversionShader.addAttribute("position", 0);
  conversionShader.addAttribute("input_uv", 1);
}

ConversionPass::~ConversionPass() {
  if (conversionVertexBuffer != 0) glDeleteBuffers(1, &conversionVertexBuffer);
}

void ConversionPass::draw(GLuint texture, float multiplier, GLuint& vertexArray) {
  FullFrameQuad::ensureBuffer(conversionVertexBuffer);
  conversionShader.bind();
  conversionShader.setTexture("videoTexture", texture);
  conversionShader.setUniform("multiplier16bit", multiplier);
  FullFrameQuad::draw(vertexArray, conversionVertexBuffer);
}

}  // namespace Quillon::Vantrel
