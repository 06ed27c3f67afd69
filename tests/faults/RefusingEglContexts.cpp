// The refusals of FaultMatrixTest.cpp on Linux: EGL functions, glbinding's lookup of
// OpenGL functions and an operator new that the test program exports, which the module's
// calls reach before the libraries' own.
#include <EGL/egl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vantrel_faults {
extern std::atomic<bool> refuseSharedContexts, refuseUnsharedContexts, refuseMakingCurrent, refuseLayerStorage,
    refuseAllocation;
extern std::atomic<int> moduleContexts;
bool refused(std::atomic<bool>& refusal);
void endIfWatched(const char* call);
[[noreturn]] void endProcess() { _exit(3); }
static const void* moduleBase = nullptr;  // where the module's code lies, for operator new
void installRefusals(void* library) {
  Dl_info info;
  if (dladdr(dlsym(library, "EntryPointFunc"), &info)) moduleBase = info.dli_fbase;
}
static bool fromModule(const void* code) { Dl_info info; return dladdr(code, &info) && info.dli_fbase == moduleBase; }
}  // namespace vantrel_faults

using namespace vantrel_faults;
#define EGLS_OWN_AS(type, function) reinterpret_cast<type>(dlsym(RTLD_NEXT, #function))
#define EGLS_OWN(function) EGLS_OWN_AS(decltype(&function), function)

extern "C" EGLContext eglCreateContext(EGLDisplay display, EGLConfig config, EGLContext share, const EGLint* attributes) {
  if (refused(share != EGL_NO_CONTEXT ? refuseSharedContexts : refuseUnsharedContexts)) return EGL_NO_CONTEXT;
  const EGLContext made = EGLS_OWN(eglCreateContext)(display, config, share, attributes);
  moduleContexts += made != EGL_NO_CONTEXT && fromModule(__builtin_return_address(0));
  return made;
}
// The module makes its contexts current without a surface, the host's with one.
extern "C" EGLBoolean eglMakeCurrent(EGLDisplay display, EGLSurface draw, EGLSurface read, EGLContext context) {
  endIfWatched("eglMakeCurrent");
  if (context != EGL_NO_CONTEXT && draw == EGL_NO_SURFACE && refused(refuseMakingCurrent)) return EGL_FALSE;
  return EGLS_OWN(eglMakeCurrent)(display, draw, read, context);
}
extern "C" EGLBoolean eglDestroyContext(EGLDisplay display, EGLContext context) {
  endIfWatched("eglDestroyContext");
  moduleContexts -= fromModule(__builtin_return_address(0));
  return EGLS_OWN(eglDestroyContext)(display, context);
}

// glbinding finds every OpenGL function through glXGetProcAddress. A refused multisampled
// storage is asked for with an impossible size: the driver makes nothing and says so.
using StorageMultisample = void (*)(unsigned, int, unsigned, int, int);
static StorageMultisample ownStorageMultisample = nullptr;
static void storageMultisample(unsigned target, int samples, unsigned format, int width, int height) {
  if (refused(refuseLayerStorage)) width = height = -1;
  ownStorageMultisample(target, samples, format, width, height);
}
extern "C" __eglMustCastToProperFunctionPointerType glXGetProcAddress(const unsigned char* name) {
  using GetProcAddress = __eglMustCastToProperFunctionPointerType (*)(const unsigned char*);
  const auto found = EGLS_OWN_AS(GetProcAddress, glXGetProcAddress)(name);
  if (std::strcmp(reinterpret_cast<const char*>(name), "glRenderbufferStorageMultisample") != 0 || !found) return found;
  ownStorageMultisample = reinterpret_cast<StorageMultisample>(found);
  return reinterpret_cast<__eglMustCastToProperFunctionPointerType>(&storageMultisample);
}

// Refuses only a call from the module's own code; every allocation goes to malloc.
void* operator new(std::size_t size) {
  void* block = nullptr;
  if ((refuseAllocation && fromModule(__builtin_return_address(0)) && refused(refuseAllocation)) || !(block = std::malloc(size ? size : 1))) throw std::bad_alloc();
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
