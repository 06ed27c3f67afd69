#pragma once

#include <glbinding/gl/types.h>

#include <memory>

#include "AE_Effect.h"
#include "AffineMatrix.h"
#include "OpenglShader.h"

namespace Quillon::Vantrel {

constexpr int kMaxInstances = 20;

// The frame's parameter values in drawing units (pixels of the frame being rendered,
// degrees, fractions, colours 0 to 1 as red, green, blue, alpha), the shape pass's quad
// and the cached shape program.
struct RenderRecord {
  gl::GLuint vertexBuffer = 0;  // the shape pass's quad
  std::unique_ptr<OpenglShader> shapeProgram;  // for shapeType; null until assembled
  A_long shapeType = 0;
  float shapeSize1 = 0;
  float shapeSize2 = 0;
  double center[2] = {0, 0};
  float shapeRotation = 0;
  bool edgeIsShadow = false;
  float shadowSize = 0;
  double shadowColor[4] = {1, 1, 1, 1};
  float shadowOpacity = 0;
  float strokeSize = 0;
  double strokeColor[4] = {1, 1, 1, 1};
  float strokeOpacity = 0;
  bool fillOutside = false;
  bool transparentBackground = false;
  A_long instances = 0;
  float shapeSize1Offset = 0;
  float shapeSize2Offset = 0;
  float positionXOffset = 0;
  float positionYOffset = 0;
  float scaleXOffset = 0;
  float scaleYOffset = 0;
  float rotationOffset = 0;
  float opacityOffset = 0;
  AffineMatrix instanceTransforms[kMaxInstances];  // inverse placements
};

// The one record of the process: made at module load, released at global setdown and
// made again by the next render after that.
RenderRecord& renderRecord();
// Deletes the record's GL objects and program (with a context of the effect current)
// and frees it.
void releaseRenderRecord();

}  // namespace Quillon::Vantrel
