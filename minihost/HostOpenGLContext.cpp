#include "HostOpenGLContext.h"

#include <EGL/eglext.h>

namespace minihost {

HostOpenGLContext::HostOpenGLContext() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return;
  display_ = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, &major, &minor)) return;
  const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count < 1) return;
  const EGLint surfaceAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
  eglBindAPI(EGL_OPENGL_API);
  context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
}

HostOpenGLContext::~HostOpenGLContext() {
  if (display_ == EGL_NO_DISPLAY) return;
  if (isCurrent()) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
}

bool HostOpenGLContext::makeCurrent() const {
  return made() && eglBindAPI(EGL_OPENGL_API) && eglMakeCurrent(display_, surface_, surface_, context_);
}

bool HostOpenGLContext::isCurrent() const {
  return made() && eglQueryAPI() == EGL_OPENGL_API && eglGetCurrentContext() == context_ &&
         eglGetCurrentDisplay() == display_ && eglGetCurrentSurface(EGL_DRAW) == surface_ &&
         eglGetCurrentSurface(EGL_READ) == surface_;
}

}  // namespace minihost
