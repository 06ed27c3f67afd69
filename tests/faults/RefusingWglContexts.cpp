// The refusals of FaultMatrixTest.cpp on Windows: the module's imports from opengl32
// pointed at functions of the test program.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstring>

#include "ImportRedirect.h"

namespace vantrel_faults {

extern std::atomic<bool> refuseSharedContexts, refuseUnsharedContexts, refuseMakingCurrent, refuseLayerStorage;
extern std::atomic<int> moduleContexts;  // only the module's calls come here
bool refused(std::atomic<bool>& refusal);
void endIfWatched(const char* call);
[[noreturn]] void endProcess() {
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) {
  }
}
static HGLRC(WINAPI* ownCreateContext)(HDC) = nullptr;
static PROC(WINAPI* ownGetProcAddress)(LPCSTR) = nullptr;
static void(WINAPI* ownStorageMultisample)(unsigned, int, unsigned, int, int) = nullptr;
static HGLRC(WINAPI* ownCreateContextAttribs)(HDC, HGLRC, const int*) = nullptr;
static BOOL(WINAPI* ownShareLists)(HGLRC, HGLRC) = nullptr;
static BOOL(WINAPI* ownMakeCurrent)(HDC, HGLRC) = nullptr;
static BOOL(WINAPI* ownDeleteContext)(HGLRC) = nullptr;

static HGLRC WINAPI createContext(HDC deviceContext) {
  const HGLRC made = refused(refuseUnsharedContexts) ? (SetLastError(ERROR_INVALID_OPERATION), nullptr) : ownCreateContext(deviceContext);
  moduleContexts += made != nullptr;
  return made;
}
// The render contexts come from the extension's function, found through wglGetProcAddress.
static HGLRC WINAPI createContextAttribs(HDC deviceContext, HGLRC share, const int* attributes) {
  const HGLRC made = ownCreateContextAttribs(deviceContext, share, attributes);
  moduleContexts += made != nullptr;
  return made;
}
// A refused multisampled storage is asked for with an impossible size: the driver makes
// nothing and says so.
static void WINAPI storageMultisample(unsigned target, int samples, unsigned format, int width, int height) {
  if (refused(refuseLayerStorage)) width = height = -1;
  ownStorageMultisample(target, samples, format, width, height);
}
template <typename Function>
static PROC replace(PROC found, Function replacement, Function& own) {
  own = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
  return reinterpret_cast<PROC>(reinterpret_cast<void*>(replacement));
}
static PROC WINAPI getProcAddress(LPCSTR name) {
  const PROC found = ownGetProcAddress(name);
  if (!found) return found;
  if (std::strcmp(name, "glRenderbufferStorageMultisample") == 0) return replace(found, &storageMultisample, ownStorageMultisample);
  if (std::strcmp(name, "wglCreateContextAttribsARB") == 0) return replace(found, &createContextAttribs, ownCreateContextAttribs);
  return found;
}
static BOOL WINAPI shareLists(HGLRC partner, HGLRC context) {
  return refused(refuseSharedContexts) ? (SetLastError(ERROR_INVALID_OPERATION), FALSE) : ownShareLists(partner, context);
}
static BOOL WINAPI makeCurrent(HDC deviceContext, HGLRC context) {
  endIfWatched("wglMakeCurrent");
  return context && refused(refuseMakingCurrent) ? (SetLastError(ERROR_INVALID_OPERATION), FALSE) : ownMakeCurrent(deviceContext, context);
}
static BOOL WINAPI deleteContext(HGLRC context) {
  endIfWatched("wglDeleteContext");
  --moduleContexts;
  return ownDeleteContext(context);
}
template <typename Function>
static void redirect(void* library, const char* name, Function replacement, Function& own) {
  own = reinterpret_cast<Function>(minihost::redirectImport(library, "opengl32.dll", name, reinterpret_cast<void*>(replacement)));
}

void installRefusals(void* library) {
  if (ownMakeCurrent) return;
  redirect(library, "wglCreateContext", &createContext, ownCreateContext);
  redirect(library, "wglGetProcAddress", &getProcAddress, ownGetProcAddress);
  redirect(library, "wglShareLists", &shareLists, ownShareLists);
  redirect(library, "wglMakeCurrent", &makeCurrent, ownMakeCurrent);
  redirect(library, "wglDeleteContext", &deleteContext, ownDeleteContext);
}

}  // namespace vantrel_faults
