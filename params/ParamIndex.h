// Parameter indices. Index 0 is the input layer the host supplies; every id equals its
// index.
#pragma once

#include "AE_Effect.h"

namespace Quillon::Vantrel {

enum ParamIndex : PF_ParamIndex {
  kInputLayer = 0,
  kShapeType = 1,
  kShapeSize1 = 2,
  kShapeSize2 = 3,
  kShapeCenter = 4,
  kShapeRotation = 5,
  kFillType = 6,
  kTransparentBackground = 7,
  kEdgeGroupStart = 8,
  kEdgeType = 9,
  kShadowSize = 10,
  kShadowColor = 11,
  kShadowOpacity = 12,
  kStrokeSize = 13,
  kStrokeColor = 14,
  kStrokeOpacity = 15,
  kEdgeGroupEnd = 16,
  kEchoGroupStart = 17,
  kInstances = 18,
  kShapeSize1Offset = 19,
  kShapeSize2Offset = 20,
  kPositionXOffset = 21,
  kPositionYOffset = 22,
  kScaleXOffset = 23,
  kScaleYOffset = 24,
  kRotationOffset = 25,
  kOpacityOffset = 26,
  kEchoGroupEnd = 27,
  kParamCount = 28,
};

// Popup values.
enum FillType : A_long { kFillOutside = 1, kFillInside = 2 };
enum EdgeType : A_long { kEdgeShadow = 1, kEdgeStroke = 2 };

}  // namespace Quillon::Vantrel
