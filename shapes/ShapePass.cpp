#include "ShapePass.h"

#include <algorithm>

#include "FullFrameQuad.h"
#include "Placement.h"
#include "ShapeProgram.h"

namespace Quillon::Vantrel {
namespace {

void setEdgeUniforms(OpenglShader& shader, const RenderRecord& r) {
  const double(&color)[4] = r.edgeIsShadow ? r.shadowColor : r.strokeColor;
  shader.setUniform("drawShadow", r.edgeIsShadow ? 1.0f : 0.0f);
  shader.setUniform("shadowSize", r.edgeIsShadow ? r.shadowSize : r.strokeSize);
  shader.setUniform("shadowAlpha", r.edgeIsShadow ? r.shadowOpacity : r.strokeOpacity);
  shader.setUniform("shadowColor", float(color[0]), float(color[1]), float(color[2]), float(color[3]));
}

// Instance i sits at the centre moved by −i position offsets, scaled and turned about its
// own centre; the shader needs the inverse, from output pixel to the instance's frame.
void placeInstances(RenderRecord& r) {
  for (A_long i = 0; i < std::min<A_long>(r.instances, kMaxInstances); ++i) {
    const double scale[2] = {1.0 - double(r.scaleXOffset) * i, 1.0 - double(r.scaleYOffset) * i};
    const double translation[2] = {r.center[0] - double(r.positionXOffset) * i,
                                   r.center[1] - double(r.positionYOffset) * i};
    const double angle = double(float(i) * r.rotationOffset);
    r.instanceTransforms[i] = invertOrIdentity(makePlacement(r.center, translation, scale, angle));
  }
}

}  // namespace

void drawShapes(RenderRecord& r, gl::GLuint videoTexture, float multiplier16bit, const double viewPort[2],
                gl::GLuint& vertexArray) {
  FullFrameQuad::ensureBuffer(r.vertexBuffer);
  ensureShapeProgram(r);
  OpenglShader& shader = *r.shapeProgram;
  shader.bind();

  shader.setTexture("videoTexture", videoTexture);
  shader.setUniform("multiplier16bit", multiplier16bit);
  shader.setUniform("shapeSize1", r.shapeSize1);
  shader.setUniform("shapeSize2", r.shapeSize2);
  shader.setUniform("center", r.center);
  setEdgeUniforms(shader, r);
  // The host keeps "Instances" within 1 to 20; a failed read leaves 0.
  const gl::GLint instances = std::clamp<gl::GLint>(r.instances, 0, kMaxInstances);
  shader.setUniform("instances", instances);
  shader.setUniform("shapeSize1Offset", r.shapeSize1Offset);
  shader.setUniform("shapeSize2Offset", r.shapeSize2Offset);
  shader.setUniform("opacityOffset", r.opacityOffset);
  shader.setUniform("bgAlpha", r.transparentBackground ? 0.0f : 1.0f);
  shader.setUniform("alphaFactor", r.fillOutside ? 1.0f : -1.0f);
  shader.setUniform("viewPort", viewPort);

  placeInstances(r);
  shader.setUniformMat3Array("transforms", r.instanceTransforms, instances);
  const double unscaled[2] = {1.0, 1.0};
  const AffineMatrix rotation = makePlacement(r.center, r.center, unscaled, double(r.shapeRotation));
  shader.setUniformMat3Array("shapeTransform", &rotation, 1);

  FullFrameQuad::draw(vertexArray, r.vertexBuffer);
}

}  // namespace Quillon::Vantrel
