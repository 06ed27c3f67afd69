#pragma once

#include <glbinding/gl/types.h>

#include "RenderRecord.h"

namespace Quillon::Vantrel {

// The one draw that makes the frame's picture, into whatever is bound for drawing: every
// uniform from the record, the instances' inverse placements and the shape rotation.
void drawShapes(RenderRecord& record, gl::GLuint videoTexture, float multiplier16bit, const double viewPort[2]);

}  // namespace Quillon::Vantrel
