#pragma once

#include <glbinding/gl/types.h>

#include <cstdint>

#include "AE_Effect.h"

namespace Quillon::Vantrel {

class OpenglRenderTarget;

// How host pixels travel through the frame: 8-bit worlds only.
struct PixelTransfer {
  std::uint64_t bytesPerPixel = 4;
  gl::GLenum pixelType = gl::GLenum(0x1401);  // GL_UNSIGNED_BYTE
  float multiplier = 1.0f;
};

// The layer into `texture` (GL_RGBA32F of the layer's size), byte for byte: texel red =
// host alpha, and so on.
void uploadLayer(const PF_LayerDef& layer, const PF_InData& in_data, gl::GLuint texture, PixelTransfer& transfer);
// Resolves the open layer and draws it through the conversion pass into the output
// renderbuffer, which stays bound for reading.
void convertToOutput(OpenglRenderTarget& target, float multiplier);
// Reads the frame back through a host memory handle and copies it row by row into
// `output`, within both the rendered and the output size.
void readbackToWorld(A_long width, A_long height, PF_LayerDef& output, const PF_InData& in_data,
                     const PixelTransfer& transfer);

}  // namespace Quillon::Vantrel
