// An OpenGL context of the host's own, made directly with EGL and current with a pbuffer
// surface, to check that the effect gives it back.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace vantrel_test {

class HostGlContext {
 public:
  HostGlContext() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return;
    display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) return;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) return;
    const EGLint surfaceAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    eglBindAPI(EGL_OPENGL_API);
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  }
  ~HostGlContext() {
    if (display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
  }
  HostGlContext(const HostGlContext&) = delete;
  HostGlContext& operator=(const HostGlContext&) = delete;

  bool made() const { return context != EGL_NO_CONTEXT && surface != EGL_NO_SURFACE; }
  bool makeCurrent() const { return eglMakeCurrent(display, surface, surface, context); }

  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
};

}  // namespace vantrel_test
