#pragma once

#include <glbinding/gl/types.h>

#include <map>
#include <memory>
#include <vector>

#include "AE_Effect.h"
#include "ConversionPass.h"

namespace Quillon::Vantrel {

class AEOpenGLContext;

// The process-wide offscreen target frames are drawn into: a multisampled layer per
// frame, resolved into a texture and converted into the output renderbuffer, which the
// read-back reads. Framebuffers belong to one context, so each render context has its
// own set; the renderbuffers and textures are shared by all of them.
class OpenglRenderTarget {
 public:
  static OpenglRenderTarget& instance();

  // Makes the target fit the size (nothing when it already does) for frames drawn in
  // `context`, which must be current. A size beyond the GPU's limits throws
  // std::runtime_error with the reason.
  void resize(A_long width, A_long height, const AEOpenGLContext& context);
  // Deletes the shared objects and forgets every context's framebuffers; with a context
  // of the effect current. The contexts' own framebuffers go with the contexts.
  void release();
  // Release, then also the conversion pass; the target starts again from 0 x 0.
  void releaseAll();

  void beginLayer();
  gl::GLuint resolveLayer();  // 0 if no layer is open; the caller owns the texture
  gl::GLuint createLayerTexture() const;

  // Binds the output framebuffer with the output renderbuffer attached.
  void bindOutput() const;
  ConversionPass& conversionPass();

  A_long width() const { return width_; }
  A_long height() const { return height_; }

 private:
  struct Framebuffers {
    gl::GLuint resolve = 0;
    gl::GLuint output = 0;
    gl::GLuint multisample = 0;
  };

  OpenglRenderTarget() = default;

  std::map<const AEOpenGLContext*, Framebuffers> framebuffers_;
  const Framebuffers* current_ = nullptr;  // the set of the frame's context
  gl::GLuint outputRenderbuffer_ = 0;
  A_long width_ = 0;
  A_long height_ = 0;
  gl::GLsizei samples_ = 0;
  std::vector<gl::GLuint> layerStack_;
  std::unique_ptr<ConversionPass> conversionPass_;
};

}  // namespace Quillon::Vantrel
