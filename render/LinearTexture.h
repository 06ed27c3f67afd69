#pragma once

#include <glbinding/gl/types.h>

namespace Quillon::Vantrel {

// A new 2D texture of one level with undefined contents, filtered linearly and clamped
// to its edges, left bound to GL_TEXTURE_2D for the caller to fill.
gl::GLuint createLinearTexture(gl::GLenum internalFormat, gl::GLsizei width, gl::GLsizei height);

}  // namespace Quillon::Vantrel
