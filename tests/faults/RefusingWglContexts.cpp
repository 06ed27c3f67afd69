#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "ImportRedirect.h"
#include "RefusingContexts.h"

namespace vantrel_faults {

std::atomic<bool> refuseSharedContexts{false};
std::atomic<int> refusedContexts{0};

namespace {

using ShareLists = BOOL(WINAPI*)(HGLRC, HGLRC);
ShareLists openGL32sOwn = nullptr;

BOOL WINAPI refusingShareLists(HGLRC partner, HGLRC context) {
  if (refuseSharedContexts) {
    ++refusedContexts;
    SetLastError(ERROR_INVALID_OPERATION);
    return FALSE;
  }
  return openGL32sOwn(partner, context);
}

}  // namespace

void installContextRefusal(void* library) {
  if (openGL32sOwn) return;
  openGL32sOwn = reinterpret_cast<ShareLists>(minihost::redirectImport(
      library, "opengl32.dll", "wglShareLists", reinterpret_cast<void*>(&refusingShareLists)));
}

bool anyContextCurrent() { return wglGetCurrentContext() != nullptr; }

}  // namespace vantrel_faults
