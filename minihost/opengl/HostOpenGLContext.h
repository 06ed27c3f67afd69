#pragma once

#include <EGL/egl.h>

namespace minihost {

// An OpenGL context of the host's own, made with EGL on Mesa's surfaceless platform and
// current with a small pbuffer surface, so that a full binding (display, draw and read
// surface, context) is there to be given back.
class HostOpenGLContext {
 public:
  HostOpenGLContext();
  ~HostOpenGLContext();
  HostOpenGLContext(const HostOpenGLContext&) = delete;
  HostOpenGLContext& operator=(const HostOpenGLContext&) = delete;

  bool made() const { return context_ != EGL_NO_CONTEXT && surface_ != EGL_NO_SURFACE; }
  bool makeCurrent() const;
  // Whether this context, with its surface, is the one current on the calling thread.
  bool isCurrent() const;

  EGLDisplay display() const { return display_; }
  EGLContext context() const { return context_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
};

}  // namespace minihost
