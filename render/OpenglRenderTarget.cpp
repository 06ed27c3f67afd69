#include "OpenglRenderTarget.h"

#include <glbinding/gl33core/gl.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "LinearTexture.h"

using namespace gl33core;

namespace Quillon::Vantrel {
namespace {

constexpr GLint kWantedSamples = 8;

// A layer the GPU cannot hold fails the frame with a reason instead of drawing garbage.
void checkSizeFits(A_long width, A_long height) {
  GLint maxTexture = 0, maxRenderbuffer = 0, maxViewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
  const GLint limit = std::min({maxTexture, maxRenderbuffer, maxViewport[0], maxViewport[1]});
  if (width > limit || height > limit) {
    throw std::runtime_error("the layer is " + std::to_string(width) + "x" + std::to_string(height) +
                             " pixels; this GPU renders at most " + std::to_string(limit) + " in each direction");
  }
}

// Errors left by earlier calls are not the next step's. Bounded: a lost context may
// report one for ever.
void clearErrors() {
  for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

}  // namespace

OpenglRenderTarget& OpenglRenderTarget::instance() {
  // Never destroyed: released by global setdown alone (see GlobalContext.h).
  static OpenglRenderTarget* const target = new OpenglRenderTarget;
  return *target;
}

void OpenglRenderTarget::resize(A_long width, A_long height, const AEOpenGLContext& context) {
  ContextObjects& objects = contextObjects_[&context];
  if (objects.outputFramebuffer == 0) {
    glGenFramebuffers(1, &objects.outputFramebuffer);
    glGenFramebuffers(1, &objects.resolveFramebuffer);
    glGenFramebuffers(1, &objects.multisampleFramebuffer);
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    objects.samples = std::min(kWantedSamples, maxSamples);
  }
  current_ = &objects;
  openLayers_ = 0;
  if (width == width_ && height == height_ && objects.samples == samples_) return;

  checkSizeFits(width, height);
  releaseStorage();
  width_ = width;
  height_ = height;
  samples_ = objects.samples;
  clearErrors();
  glGenRenderbuffers(1, &outputRenderbuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, outputRenderbuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
  // No renderbuffer stays bound: a binding in one context keeps a renderbuffer that
  // another context deletes alive, and Mesa never frees it when the context goes.
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  // Every frame replaces all of it, so it needs no zero-filled upload.
  inputTexture_ = createLinearTexture(GL_RGBA32F, width_, height_);
  glBindTexture(GL_TEXTURE_2D, 0);
  failUnlessMade("input and output");
}

void OpenglRenderTarget::failUnlessMade(const char* what) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  fail(std::string("the GPU refused the ") + what + " storage of a " + sizeText() +
       (error == GL_OUT_OF_MEMORY ? " layer: out of memory" : " layer"));
}

void OpenglRenderTarget::failUnlessComplete(GLenum target, const char* what) {
  if (glCheckFramebufferStatus(target) == GL_FRAMEBUFFER_COMPLETE) return;
  fail(std::string("the GPU cannot draw into the ") + what + " framebuffer of a " + sizeText() + " layer");
}

std::string OpenglRenderTarget::sizeText() const { return std::to_string(width_) + "x" + std::to_string(height_); }

void OpenglRenderTarget::fail(const std::string& reason) {
  // Nothing half-made is kept: the next frame makes the storage again.
  releaseStorage();
  width_ = height_ = 0;
  samples_ = 0;
  throw std::runtime_error(reason);
}

void OpenglRenderTarget::releaseStorage() {
  // Framebuffers of other contexts may still hold these until their next frame attaches
  // the new ones; the names are free at once.
  if (inputTexture_ != 0) glDeleteTextures(1, &inputTexture_);
  inputTexture_ = 0;
  if (outputRenderbuffer_ != 0) glDeleteRenderbuffers(1, &outputRenderbuffer_);
  outputRenderbuffer_ = 0;
  for (Layer& layer : layers_) {
    glDeleteRenderbuffers(1, &layer.multisample);
    if (layer.resolved != 0) glDeleteTextures(1, &layer.resolved);
  }
  layers_.clear();
  openLayers_ = 0;
}

void OpenglRenderTarget::release() {
  // Only the current context's own objects could be deleted here; the others are freed
  // when their contexts are deleted, which global setdown does next.
  contextObjects_.clear();
  current_ = nullptr;
  releaseStorage();
}

void OpenglRenderTarget::releaseAll() {
  release();
  conversionPass_.reset();
  width_ = height_ = 0;
  samples_ = 0;
}

void OpenglRenderTarget::beginLayer() {
  if (openLayers_ == layers_.size()) {
    Layer layer;
    clearErrors();
    glGenRenderbuffers(1, &layer.multisample);
    glBindRenderbuffer(GL_RENDERBUFFER, layer.multisample);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, width_, height_);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    layers_.push_back(layer);
    failUnlessMade("multisampled");
  }
  glBindFramebuffer(GL_FRAMEBUFFER, current_->multisampleFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, layers_[openLayers_].multisample);
  failUnlessComplete(GL_FRAMEBUFFER, "multisampled");
  ++openLayers_;
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
}

GLuint OpenglRenderTarget::resolveLayer() {
  if (openLayers_ == 0) return 0;
  Layer& layer = layers_[openLayers_ - 1];
  if (layer.resolved == 0) {
    // The blit writes every texel, so the storage needs no zero-filled upload.
    clearErrors();
    layer.resolved = createLinearTexture(GL_RGBA8, width_, height_);
    glBindTexture(GL_TEXTURE_2D, 0);
    failUnlessMade("resolved");
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, current_->multisampleFramebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, current_->resolveFramebuffer);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, layer.resolved, 0);
  failUnlessComplete(GL_DRAW_FRAMEBUFFER, "resolved");
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);

  if (--openLayers_ > 0) {
    const GLuint below = layers_[openLayers_ - 1].multisample;
    glBindFramebuffer(GL_FRAMEBUFFER, current_->multisampleFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, below);
  }
  return layer.resolved;
}

void OpenglRenderTarget::bindOutput() {
  glBindFramebuffer(GL_FRAMEBUFFER, current_->outputFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, outputRenderbuffer_);
  failUnlessComplete(GL_FRAMEBUFFER, "output");
}

ConversionPass& OpenglRenderTarget::conversionPass() {
  if (!conversionPass_) conversionPass_ = std::make_unique<ConversionPass>();
  return *conversionPass_;
}

}  // namespace Quillon::Vantrel
