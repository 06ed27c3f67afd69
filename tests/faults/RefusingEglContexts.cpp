#include "RefusingContexts.h"

#include <EGL/egl.h>
#include <dlfcn.h>

#include <cstring>

namespace vantrel_faults {

std::atomic<bool> refuseSharedContexts{false};
std::atomic<int> refusedContexts{0};

void installContextRefusal(void*) {}  // the exported eglCreateContext is there already
bool anyContextCurrent() { return eglGetCurrentContext() != EGL_NO_CONTEXT; }

}  // namespace vantrel_faults

namespace {

using CreateContext = EGLContext (*)(EGLDisplay, EGLConfig, EGLContext, const EGLint*);

CreateContext eglsOwnCreateContext() {
  static const CreateContext next = [] {
    void* symbol = dlsym(RTLD_NEXT, "eglCreateContext");
    CreateContext function = nullptr;
    std::memcpy(&function, &symbol, sizeof function);
    return function;
  }();
  return next;
}

}  // namespace

extern "C" EGLContext eglCreateContext(EGLDisplay display, EGLConfig config, EGLContext shareWith,
                                       const EGLint* attributes) {
  if (vantrel_faults::refuseSharedContexts && shareWith != EGL_NO_CONTEXT) {
    ++vantrel_faults::refusedContexts;
    return EGL_NO_CONTEXT;
  }
  const CreateContext next = eglsOwnCreateContext();
  return next ? next(display, config, shareWith, attributes) : EGL_NO_CONTEXT;
}
