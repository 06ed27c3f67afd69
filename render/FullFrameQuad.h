#pragma once

#include <glbinding/gl/types.h>

namespace Quillon::Vantrel {

class OpenglShader;

// Two triangles over the whole viewport, 5 floats a vertex (x, y, z, u, v); texture
// coordinate (0, 0) is the first row and column of the target.
namespace FullFrameQuad {

// Makes the buffer holding the quad when `buffer` is 0.
void ensureBuffer(gl::GLuint& buffer);
// Draws the quad from `buffer` with the program `shader` has bound. The vertex array is
// made for this draw alone: vertex arrays belong to one context, and frames may come
// from any render thread's context.
void draw(gl::GLuint buffer, const OpenglShader& shader);

}  // namespace FullFrameQuad
}  // namespace Quillon::Vantrel
