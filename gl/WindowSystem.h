// What the effect needs of the window system, whatever supplies it: contexts current on
// the calling thread, made on their own or sharing objects with another; the thread's
// current binding, recorded and made current again. EGL on Linux.
#pragma once

#include <glbinding/ContextHandle.h>

#if defined(_WIN32)
#error "the WGL window system is not part of this build yet"
#else
#include <EGL/egl.h>
#endif

namespace Quillon::Vantrel {

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

namespace WindowSystem {

// Creates a desktop OpenGL 3.3 core context, sharing objects with `shareWith` when it is
// not null, and makes it current without a drawable. Throws AESDK_OpenGL_Fault, having
// released whatever it made.
NativeContext createContext(const NativeContext* shareWith);
// Makes no context current on the calling thread, then deletes the context.
void destroyContext(NativeContext& context);
// Makes the context current on the calling thread; false when the window system refuses.
bool makeCurrent(const NativeContext& context);

glbinding::ContextHandle handleOf(const NativeContext& context);
glbinding::ContextHandle currentHandle();

CurrentBinding currentBinding();
// Makes a recorded binding current again; an empty one leaves no context current.
// Failures are ignored: there is nothing better to restore.
void restoreBinding(const CurrentBinding& binding);

}  // namespace WindowSystem
}  // namespace Quillon::Vantrel
