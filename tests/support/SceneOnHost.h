// Puts a scene's control values on a substitute host's effect instance, in the units a
// user sets them, as the CPU reference reads them.
#pragma once

#include "EffectInstance.h"
#include "ParamIndex.h"
#include "SceneValues.h"

namespace vantrel_test {

inline minihost::ParamValue colorValue(const PF_Pixel& p) {
  return {double(p.red), double(p.green), double(p.blue), double(p.alpha)};
}

inline void applyScene(const vantrel_reference::SceneValues& v, minihost::EffectInstance& instance) {
  using namespace Quillon::Vantrel;
  instance.set(kShapeType, {double(v.shapeType)});
  instance.set(kShapeSize1, {double(v.shapeSize1)});
  instance.set(kShapeSize2, {double(v.shapeSize2)});
  if (!v.centerAtDefault) instance.set(kShapeCenter, {v.centerX, v.centerY});
  instance.set(kShapeRotation, {v.rotation});
  instance.set(kFillType, {double(v.fillType)});
  instance.set(kTransparentBackground, {v.transparentBackground ? 1.0 : 0.0});
  instance.set(kEdgeType, {double(v.edgeType)});
  instance.set(kShadowSize, {double(v.shadowSize)});
  instance.set(kShadowColor, colorValue(v.shadowColor));
  instance.set(kShadowOpacity, {v.shadowOpacity});
  instance.set(kStrokeSize, {double(v.strokeSize)});
  instance.set(kStrokeColor, colorValue(v.strokeColor));
  instance.set(kStrokeOpacity, {v.strokeOpacity});
  instance.set(kInstances, {double(v.instances)});
  instance.set(kShapeSize1Offset, {v.shapeSize1Offset});
  instance.set(kShapeSize2Offset, {v.shapeSize2Offset});
  instance.set(kPositionXOffset, {v.positionXOffset});
  instance.set(kPositionYOffset, {v.positionYOffset});
  instance.set(kScaleXOffset, {v.scaleXOffset});
  instance.set(kScaleYOffset, {v.scaleYOffset});
  instance.set(kRotationOffset, {v.rotationOffset});
  instance.set(kOpacityOffset, {v.opacityOffset});
}

}  // namespace vantrel_test
