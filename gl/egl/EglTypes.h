// The records of the EGL window system.
#pragma once

#include <EGL/egl.h>

namespace Quillon::Vantrel {

// How the effect reaches the GPU here, for the messages that name it.
inline constexpr char kWindowSystemName[] = "EGL";

// A private context of the effect.
struct NativeContext {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext renderContext = EGL_NO_CONTEXT;
};

// What is current on a thread, for the client API bound there: all null when nothing is.
struct CurrentBinding {
  EGLenum api = EGL_OPENGL_API;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface drawSurface = EGL_NO_SURFACE;
  EGLSurface readSurface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;

  bool operator==(const CurrentBinding& other) const {
    return api == other.api && display == other.display && drawSurface == other.drawSurface &&
           readSurface == other.readSurface && context == other.context;
  }
};

}  // namespace Quillon::Vantrel
