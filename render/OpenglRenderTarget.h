#pragma once

#include <glbinding/gl/types.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AE_Effect.h"
#include "ConversionPass.h"

namespace Quillon::Vantrel {

class AEOpenGLContext;

// The process-wide offscreen target frames are drawn into: a multisampled layer,
// resolved into a texture and converted into the output renderbuffer, which the
// read-back reads. The objects sized to the layer (input texture, layers, resolved
// textures, output renderbuffer) are shared by every render context and kept while the
// size and the sample count hold: making and zeroing them was most of a frame's cost.
// Framebuffers and vertex arrays belong to one context, so each render context has its
// own, and every frame attaches the storage afresh: another context may have made it
// again since this one last drew.
class OpenglRenderTarget {
 public:
  // What one render context cannot share with the others.
  struct ContextObjects {
    gl::GLuint resolveFramebuffer = 0;
    gl::GLuint outputFramebuffer = 0;
    gl::GLuint multisampleFramebuffer = 0;
    gl::GLuint shapeVertexArray = 0;       // made by the shape pass's first draw here
    gl::GLuint conversionVertexArray = 0;  // made by the conversion's first draw here
    gl::GLsizei samples = 0;               // min(8, this context's GL_MAX_SAMPLES)
  };

  static OpenglRenderTarget& instance();

  // Starts a frame drawn in `context`, which must be current: makes the target fit the
  // size (nothing when it already does) and closes any layer a failed frame left open.
  // A size beyond the GPU's limits throws std::runtime_error with the reason.
  void resize(A_long width, A_long height, const AEOpenGLContext& context);
  // Deletes the shared objects and forgets every context's own; with a context of the
  // effect current. The contexts' own objects go with the contexts.
  void release();
  // Release, then also the conversion pass; the target starts again from 0 x 0.
  void releaseAll();

  // Opens a cleared layer and binds it for drawing. This and the operations below throw
  // std::runtime_error, with the storage dropped, when the GPU refuses what they need.
  void beginLayer();
  // Closes the top layer and returns its resolved picture; 0 if no layer is open. The
  // target keeps the texture, and the next frame resolves into it again.
  gl::GLuint resolveLayer();

  // The layer-sized GL_RGBA32F texture the frame's input is uploaded into.
  gl::GLuint inputTexture() const { return inputTexture_; }
  // Binds the output framebuffer with the output renderbuffer attached.
  void bindOutput();
  ConversionPass& conversionPass();
  // The objects of the frame's context (valid from resize to the end of the frame).
  ContextObjects& contextObjects() { return *current_; }

  A_long width() const { return width_; }
  A_long height() const { return height_; }

 private:
  // A layer's storage, by depth in the stack.
  struct Layer {
    gl::GLuint multisample = 0;  // renderbuffer drawn into
    gl::GLuint resolved = 0;     // texture it resolves into; made by the first resolve
  };

  OpenglRenderTarget() = default;
  void releaseStorage();
  // Storage the driver refused (out of memory) or cannot draw into fails the frame with
  // the reason, and is dropped, so that the next frame makes it again.
  void failUnlessMade(const char* what);
  void failUnlessComplete(gl::GLenum target, const char* what);
  [[noreturn]] void fail(const std::string& reason);
  std::string sizeText() const;

  std::map<const AEOpenGLContext*, ContextObjects> contextObjects_;
  ContextObjects* current_ = nullptr;  // the frame's context's
  gl::GLuint inputTexture_ = 0;
  gl::GLuint outputRenderbuffer_ = 0;
  A_long width_ = 0;
  A_long height_ = 0;
  gl::GLsizei samples_ = 0;  // of the layers' storage
  std::vector<Layer> layers_;
  std::size_t openLayers_ = 0;  // layers_[0, openLayers_) are open, bottom first
  std::unique_ptr<ConversionPass> conversionPass_;
};

}  // namespace Quillon::Vantrel
