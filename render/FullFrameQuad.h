#pragma once

#include <glbinding/gl/types.h>

namespace Quillon::Vantrel {

// Two triangles over the whole viewport, 5 floats a vertex (x, y, z, u, v); texture
// coordinate (0, 0) is the first row and column of the target.
namespace FullFrameQuad {

// Makes the buffer holding the quad when `buffer` is 0.
void ensureBuffer(gl::GLuint& buffer);
// Draws the quad with the bound program through `vertexArray`, made reading `buffer`
// when it is 0. Vertex arrays belong to one context: the caller keeps one per render
// context and buffer.
void draw(gl::GLuint& vertexArray, gl::GLuint buffer);

}  // namespace FullFrameQuad
}  // namespace Quillon::Vantrel
