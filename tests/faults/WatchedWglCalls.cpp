#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

#include "ImportRedirect.h"
#include "WindowSystemCallWatch.h"

namespace {

[[noreturn]] void end(const char* call) {
  std::fprintf(stderr, "window-system call while ending: %s\n", call);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) {
  }
}

BOOL WINAPI watchedMakeCurrent(HDC, HGLRC) { end("wglMakeCurrent"); }
BOOL WINAPI watchedDeleteContext(HGLRC) { end("wglDeleteContext"); }

}  // namespace

void vantrel_faults::endProcessOnWindowSystemCall(void* library) {
  minihost::redirectImport(library, "opengl32.dll", "wglMakeCurrent", reinterpret_cast<void*>(&watchedMakeCurrent));
  minihost::redirectImport(library, "opengl32.dll", "wglDeleteContext",
                           reinterpret_cast<void*>(&watchedDeleteContext));
}
