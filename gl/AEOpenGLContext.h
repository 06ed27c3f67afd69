#pragma once

#include <glbinding/gl/extension.h>

#include <set>

#include "WindowSystem.h"

namespace Quillon::Vantrel {

// A private OpenGL context of the effect: the global one, or a render thread's, sharing
// the global one's objects. Current on the creating thread after construction, and
// glbinding's current context there.
class AEOpenGLContext {
 public:
  // Throws AESDK_OpenGL_Fault when the context cannot be made.
  explicit AEOpenGLContext(const AEOpenGLContext* shareWith);
  virtual ~AEOpenGLContext();
  AEOpenGLContext(const AEOpenGLContext&) = delete;
  AEOpenGLContext& operator=(const AEOpenGLContext&) = delete;

  // Makes this context current on the calling thread and points glbinding at it. The
  // window system's answer is not checked, as with every switch the effect makes.
  void makeCurrent() const;
  // Whether this context is the calling thread's current one: a switch the window system
  // refused leaves another context current, which the effect must not draw into.
  bool isCurrent() const;

  NativeContext native;
  std::set<gl::GLextension> extensions;  // as the context reported them when made
};

}  // namespace Quillon::Vantrel
