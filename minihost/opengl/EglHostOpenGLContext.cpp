#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "HostOpenGLContext.h"

namespace minihost {

struct HostOpenGLContext::Native {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
};

HostOpenGLContext::HostOpenGLContext() : native_(std::make_unique<Native>()) {
  Native& n = *native_;
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return;
  n.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (n.display == EGL_NO_DISPLAY || !eglInitialize(n.display, &major, &minor)) return;
  const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(n.display, configAttributes, &config, 1, &count) || count < 1) return;
  const EGLint surfaceAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
  n.surface = eglCreatePbufferSurface(n.display, config, surfaceAttributes);
  eglBindAPI(EGL_OPENGL_API);
  n.context = eglCreateContext(n.display, config, EGL_NO_CONTEXT, nullptr);
}

HostOpenGLContext::~HostOpenGLContext() {
  const Native& n = *native_;
  if (n.display == EGL_NO_DISPLAY) return;
  if (isCurrent()) eglMakeCurrent(n.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (n.context != EGL_NO_CONTEXT) eglDestroyContext(n.display, n.context);
  if (n.surface != EGL_NO_SURFACE) eglDestroySurface(n.display, n.surface);
}

bool HostOpenGLContext::made() const {
  return native_->context != EGL_NO_CONTEXT && native_->surface != EGL_NO_SURFACE;
}

bool HostOpenGLContext::makeCurrent() const {
  const Native& n = *native_;
  return made() && eglBindAPI(EGL_OPENGL_API) && eglMakeCurrent(n.display, n.surface, n.surface, n.context);
}

bool HostOpenGLContext::isCurrent() const {
  const Native& n = *native_;
  return made() && eglQueryAPI() == EGL_OPENGL_API && eglGetCurrentContext() == n.context &&
         eglGetCurrentDisplay() == n.display && eglGetCurrentSurface(EGL_DRAW) == n.surface &&
         eglGetCurrentSurface(EGL_READ) == n.surface;
}

}  // namespace minihost
