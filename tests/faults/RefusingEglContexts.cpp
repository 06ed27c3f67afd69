// The refusals of FaultMatrixTest.cpp on Linux: EGL functions and an operator new that the
// test program exports, which the module's calls reach before the libraries' own.
#include <EGL/egl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace vantrel_faults {
extern std::atomic<bool> refuseSharedContexts, refuseMakingCurrent, refuseAllocation;
bool refused(std::atomic<bool>& refusal);
void endIfWatched(const char* call);
[[noreturn]] void endProcess() { _exit(3); }
static const void* moduleBase = nullptr;  // where the module's code lies, for operator new
void installRefusals(void* library) {
  Dl_info info;
  if (dladdr(dlsym(library, "EntryPointFunc"), &info)) moduleBase = info.dli_fbase;
}
}  // namespace vantrel_faults

using namespace vantrel_faults;
#define EGLS_OWN(function) reinterpret_cast<decltype(&function)>(dlsym(RTLD_NEXT, #function))

extern "C" EGLContext eglCreateContext(EGLDisplay display, EGLConfig config, EGLContext share, const EGLint* attributes) {
  if (share != EGL_NO_CONTEXT && refused(refuseSharedContexts)) return EGL_NO_CONTEXT;
  return EGLS_OWN(eglCreateContext)(display, config, share, attributes);
}
// The module makes its contexts current without a surface, the host's with one.
extern "C" EGLBoolean eglMakeCurrent(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context) {
  endIfWatched("eglMakeCurrent");
  if (context != EGL_NO_CONTEXT && draw == EGL_NO_SURFACE && refused(refuseMakingCurrent)) return EGL_FALSE;
  return EGLS_OWN(eglMakeCurrent)(display, draw, read, context);
}
extern "C" EGLBoolean eglDestroyContext(EGLDisplay display, EGLContext context) {
  endIfWatched("eglDestroyContext");
  return EGLS_OWN(eglDestroyContext)(display, context);
}

// Refuses only a call from the module's own code; every allocation goes to malloc.
void* operator new(std::size_t size) {
  Dl_info info;
  void* block = nullptr;
  const bool fromModule = refuseAllocation && dladdr(__builtin_return_address(0), &info) && info.dli_fbase == moduleBase;
  if ((fromModule && refused(refuseAllocation)) || !(block = std::malloc(size ? size : 1))) throw std::bad_alloc();
  return block;
}
// The other forms, so that every unaligned allocation and release pairs malloc with free.
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
