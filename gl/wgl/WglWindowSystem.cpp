// The window system on WGL: every context on a hidden window of its own, made current on
// the calling thread through the window's device context.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "AESDK_OpenGL_Fault.h"
#include "HiddenWindow.h"
#include "WindowSystem.h"

namespace Quillon::Vantrel::WindowSystem {
namespace {

using GetExtensionsString = const char*(WINAPI*)(HDC);
using CreateContextAttribs = HGLRC(WINAPI*)(HDC, HGLRC, const int*);

// Counts the windows made, so that two contexts never share a class name.
std::atomic<std::int32_t> windowClassCounter{0};
// Fetched by the global context's creation; the render contexts' creations use the second.
GetExtensionsString wglGetExtensionsStringARB = nullptr;
CreateContextAttribs wglCreateContextAttribsARB = nullptr;

template <typename Function>
Function procedure(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

void setPixelFormat(HDC deviceContext) {
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof descriptor;
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cDepthBits = 8;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(deviceContext, &descriptor);
  if (format == 0 || !SetPixelFormat(deviceContext, format, &descriptor)) throw AESDK_OpenGL_Fault();
}

// The global context: one of the driver's default kind. Its creation also fetches the
// function that makes the render contexts.
void createGlobalContext(NativeContext& context) {
  context.renderContext = wglCreateContext(context.deviceContext);
  if (!wglMakeCurrent(context.deviceContext, context.renderContext)) throw AESDK_OpenGL_Fault();
  wglGetExtensionsStringARB = procedure<GetExtensionsString>("wglGetExtensionsStringARB");
  if (!wglGetExtensionsStringARB) throw AESDK_OpenGL_Fault();
  const char* extensions = wglGetExtensionsStringARB(context.deviceContext);
  if (extensions && std::strstr(extensions, "WGL_ARB_create_context")) {
    wglCreateContextAttribsARB = procedure<CreateContextAttribs>("wglCreateContextAttribsARB");
  }
  if (!wglCreateContextAttribsARB) throw AESDK_OpenGL_Fault();
}

// A render context: OpenGL 3.3 of the default (core) profile, taking the partner's
// objects. The objects are shared before the new context is first made current, which
// is when drivers (Wine's among them) still accept it.
void createSharingContext(NativeContext& context, HGLRC partner) {
  const int attributes[] = {0x2091 /* WGL_CONTEXT_MAJOR_VERSION_ARB */, 3,
                            0x2092 /* WGL_CONTEXT_MINOR_VERSION_ARB */, 3, 0, 0};
  context.renderContext = wglCreateContextAttribsARB(context.deviceContext, nullptr, attributes);
  if (!context.renderContext) throw AESDK_OpenGL_Fault();
  if (!wglShareLists(partner, context.renderContext)) throw AESDK_OpenGL_Fault();
  if (!wglMakeCurrent(context.deviceContext, context.renderContext)) throw AESDK_OpenGL_Fault();
}

}  // namespace

NativeContext createContext(const void* owner, const NativeContext* shareWith) {
  NativeContext context;
  context.className = "AEOpenGL_Win_Class" + std::to_string(reinterpret_cast<std::uintptr_t>(owner)) + "_" +
                      std::to_string(windowClassCounter.fetch_add(1));
  if (!HiddenWindow::open(context)) throw AESDK_OpenGL_Fault();
  try {
    context.deviceContext = GetDC(context.window);
    setPixelFormat(context.deviceContext);
    if (shareWith) {
      createSharingContext(context, shareWith->renderContext);
    } else {
      createGlobalContext(context);
    }
  } catch (...) {
    destroyContext(context);
    throw;
  }
  wglMakeCurrent(context.deviceContext, context.renderContext);
  return context;
}

std::string renderingDevice() { return {}; }

void destroyContext(NativeContext& context) {
  if (context.renderContext) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context.renderContext);
    context.renderContext = nullptr;
  }
  if (context.deviceContext) {
    ReleaseDC(context.window, context.deviceContext);
    context.deviceContext = nullptr;
  }
  HiddenWindow::close(context);
  SetLastError(0);  // what failed above is of no use to anyone
}

bool makeCurrent(const NativeContext& context) {
  return wglMakeCurrent(context.deviceContext, context.renderContext);
}

glbinding::ContextHandle handleOf(const NativeContext& context) {
  return reinterpret_cast<glbinding::ContextHandle>(context.renderContext);
}

glbinding::ContextHandle currentHandle() { return reinterpret_cast<glbinding::ContextHandle>(wglGetCurrentContext()); }

CurrentBinding currentBinding() { return {wglGetCurrentDC(), wglGetCurrentContext()}; }

void restoreBinding(const CurrentBinding& binding) {
  if (!wglMakeCurrent(binding.deviceContext, binding.renderContext)) SetLastError(0);
}

}  // namespace Quillon::Vantrel::WindowSystem
