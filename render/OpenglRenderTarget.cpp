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

}  // namespace

OpenglRenderTarget& OpenglRenderTarget::instance() {
  static OpenglRenderTarget target;
  return target;
}

void OpenglRenderTarget::resize(A_long width, A_long height, const AEOpenGLContext& context) {
  if (width != width_ || height != height_) {
    checkSizeFits(width, height);
    // Framebuffers have no size of their own: only the renderbuffer is made again.
    if (outputRenderbuffer_ != 0) glDeleteRenderbuffers(1, &outputRenderbuffer_);
    width_ = width;
    height_ = height;
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    samples_ = std::min(kWantedSamples, maxSamples);
    glGenRenderbuffers(1, &outputRenderbuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, outputRenderbuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
  }
  Framebuffers& set = framebuffers_[&context];
  if (set.output == 0) {
    glGenFramebuffers(1, &set.output);
    glGenFramebuffers(1, &set.resolve);
    glGenFramebuffers(1, &set.multisample);
  }
  current_ = &set;
}

void OpenglRenderTarget::release() {
  // Only the current context's framebuffers can be deleted here; the others are freed
  // when their contexts are deleted, which global setdown does next.
  framebuffers_.clear();
  current_ = nullptr;
  if (outputRenderbuffer_ != 0) glDeleteRenderbuffers(1, &outputRenderbuffer_);
  outputRenderbuffer_ = 0;
  for (GLuint layer : layerStack_) glDeleteRenderbuffers(1, &layer);
  layerStack_.clear();
}

void OpenglRenderTarget::releaseAll() {
  release();
  conversionPass_.reset();
  width_ = height_ = 0;
}

void OpenglRenderTarget::beginLayer() {
  GLuint layer = 0;
  glGenRenderbuffers(1, &layer);
  glBindRenderbuffer(GL_RENDERBUFFER, layer);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, width_, height_);
  glBindFramebuffer(GL_FRAMEBUFFER, current_->multisample);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, layer);
  layerStack_.push_back(layer);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
}

GLuint OpenglRenderTarget::resolveLayer() {
  if (layerStack_.empty()) return 0;
  const GLuint texture = createLayerTexture();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, current_->multisample);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, current_->resolve);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);

  glDeleteRenderbuffers(1, &layerStack_.back());
  layerStack_.pop_back();
  if (!layerStack_.empty()) {
    glBindRenderbuffer(GL_RENDERBUFFER, layerStack_.back());
    glBindFramebuffer(GL_FRAMEBUFFER, current_->multisample);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, layerStack_.back());
  }
  return texture;
}

GLuint OpenglRenderTarget::createLayerTexture() const {
  // The blit writes every texel, so the storage needs no zero-filled upload.
  const GLuint texture = createLinearTexture(GL_RGBA8, width_, height_);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

void OpenglRenderTarget::bindOutput() const {
  glBindFramebuffer(GL_FRAMEBUFFER, current_->output);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, outputRenderbuffer_);
}

ConversionPass& OpenglRenderTarget::conversionPass() {
  if (!conversionPass_) conversionPass_ = std::make_unique<ConversionPass>();
  return *conversionPass_;
}

}  // namespace Quillon::Vantrel
