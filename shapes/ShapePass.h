#pragma once

#include <glbinding/gl/types.h>

#include "RenderRecord.h"

namespace Quillon::Vantrel {

// The one draw that makes the frame's picture, into whatever is bound for drawing: every
// uniform from the record, the instances' inverse placements and the shape rotation.
// `vertexArray` is the record's quad's vertex array of the current context, made here
// when 0.
void drawShapes(RenderRecord& record, gl::GLuint videoTexture, float multiplier16bit, const double viewPort[2],
                gl::GLuint& vertexArray);

}  // namespace Quillon::Vantrel
