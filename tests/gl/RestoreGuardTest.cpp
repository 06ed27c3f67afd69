// The restore guard makes no window-system call when the thread's binding did not change.
// The program defines its own eglMakeCurrent, which the effect's code linked into it
// calls: counted, then passed on to EGL's.
#include <dlfcn.h>

#include <cstring>

#include "ContextRestoreGuard.h"
#include "GlTestContext.h"

namespace {

int eglMakeCurrentCalls = 0;

}  // namespace

extern "C" EGLBoolean eglMakeCurrent(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context) {
  ++eglMakeCurrentCalls;
  static void* const egls = dlsym(RTLD_NEXT, "eglMakeCurrent");
  EGLBoolean (*next)(EGLDisplay, EGLSurface, EGLSurface, EGLContext) = nullptr;
  std::memcpy(&next, &egls, sizeof next);
  return next(display, draw, read, context);
}

namespace {

class RestoreGuard : public vantrel_test::GlTest {};

TEST_F(RestoreGuard, MakesNoCallWhenNothingChanged) {
  eglMakeCurrentCalls = 0;
  { const Quillon::Vantrel::ContextRestoreGuard guard; }
  EXPECT_EQ(eglMakeCurrentCalls, 0);
}

}  // namespace
