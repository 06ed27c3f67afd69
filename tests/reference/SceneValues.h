// Every control of the effect, in the units a user sets them on the full-resolution
// layer. The defaults are the controls' defaults.
#pragma once

#include "AE_Effect.h"

namespace vantrel_reference {

struct SceneValues {
  int shapeType = 1;  // 1 Circle ... 9 Chevron
  int shapeSize1 = 300;
  int shapeSize2 = 50;

  // Shape centre in full-resolution layer pixels. While centerAtDefault is true the
  // centre is the layer's own centre (50 % of its full-resolution width and height)
  // and centerX, centerY are not used.
  bool centerAtDefault = true;
  double centerX = 0.0;
  double centerY = 0.0;

  double rotation = 0.0;  // degrees
  int fillType = 1;       // 1 Fill Outside, 2 Fill Inside
  bool transparentBackground = false;

  int edgeType = 1;  // 1 Shadow, 2 Stroke
  int shadowSize = 100;
  PF_Pixel shadowColor = {255, 0, 0, 0};  // alpha, red, green, blue
  double shadowOpacity = 40.0;            // percent
  int strokeSize = 10;
  PF_Pixel strokeColor = {255, 0, 0, 0};
  double strokeOpacity = 100.0;  // percent

  int instances = 5;
  double shapeSize1Offset = 0.0;
  double shapeSize2Offset = 0.0;
  double positionXOffset = 0.0;
  double positionYOffset = 0.0;
  double scaleXOffset = 10.0;  // percent
  double scaleYOffset = 10.0;  // percent
  double rotationOffset = 0.0;  // degrees
  double opacityOffset = 0.0;   // percent
};

}  // namespace vantrel_reference
