#pragma once

#include <memory>

namespace minihost {

// An OpenGL context of the host's own, as a host that draws its interface with OpenGL has
// one, with a full binding to give back: on Linux an EGL context on Mesa's surfaceless
// platform with a small pbuffer surface, on Windows a WGL context on a hidden window.
// Made, used and destroyed on one thread.
class HostOpenGLContext {
 public:
  HostOpenGLContext();
  ~HostOpenGLContext();
  HostOpenGLContext(const HostOpenGLContext&) = delete;
  HostOpenGLContext& operator=(const HostOpenGLContext&) = delete;

  bool made() const;
  bool makeCurrent() const;
  // Whether this context, with its drawable, is the one current on the calling thread.
  bool isCurrent() const;

 private:
  struct Native;  // the window system's handles
  std::unique_ptr<Native> native_;
};

}  // namespace minihost
