#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "HostOpenGLContext.h"

namespace minihost {
namespace {

constexpr const char* kWindowClass = "minihost_HostOpenGLContext";

// The class of the hidden windows, registered once for the process. Its windows keep a
// device context of their own (CS_OWNDC), so the drawable stays one handle throughout.
bool windowClassRegistered() {
  static const bool registered = [] {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExA(&windowClass) != 0;
  }();
  return registered;
}

}  // namespace

struct HostOpenGLContext::Native {
  HWND window = nullptr;
  HDC deviceContext = nullptr;
  HGLRC context = nullptr;
};

HostOpenGLContext::HostOpenGLContext() : native_(std::make_unique<Native>()) {
  Native& n = *native_;
  if (!windowClassRegistered()) return;
  n.window = CreateWindowExA(0, kWindowClass, "minihost", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (!n.window) return;
  n.deviceContext = GetDC(n.window);
  // A format of the host's choosing, unlike the effect's: double-buffered, with depth and
  // stencil, as an interface drawn with OpenGL has.
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof descriptor;
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cDepthBits = 24;
  descriptor.cStencilBits = 8;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  const int format = n.deviceContext ? ChoosePixelFormat(n.deviceContext, &descriptor) : 0;
  if (format == 0 || !SetPixelFormat(n.deviceContext, format, &descriptor)) return;
  n.context = wglCreateContext(n.deviceContext);
}

// A window can only be destroyed by the thread that made it: this runs there.
HostOpenGLContext::~HostOpenGLContext() {
  const Native& n = *native_;
  if (n.context) {
    if (isCurrent()) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(n.context);
  }
  if (n.deviceContext) ReleaseDC(n.window, n.deviceContext);
  if (n.window) DestroyWindow(n.window);
}

bool HostOpenGLContext::made() const { return native_->context != nullptr; }

bool HostOpenGLContext::makeCurrent() const {
  return made() && wglMakeCurrent(native_->deviceContext, native_->context);
}

bool HostOpenGLContext::isCurrent() const {
  return made() && wglGetCurrentContext() == native_->context && wglGetCurrentDC() == native_->deviceContext;
}

}  // namespace minihost
