#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "HostError.h"
#include "ImportRedirect.h"
#include "OpenGLPlatformRefusal.h"

namespace minihost {
namespace {

int WINAPI refusedChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) {
  SetLastError(ERROR_INVALID_PIXEL_FORMAT);
  return 0;
}

}  // namespace

// The module's import of gdi32's ChoosePixelFormat is pointed at a function that finds no
// format, and back at gdi32's own when the fault is cleared. Every context the effect
// makes needs a pixel format first, so each creation fails the way it would on a machine
// without an OpenGL driver, in the real module, and nothing else in the process is touched.
void setOpenGLPlatformRefusal(void* library, bool refuses) {
  static void* refusedFor = nullptr;  // the module whose import is redirected now, if any
  static void* gdi32Own = nullptr;
  if (refuses == (refusedFor == library)) return;
  try {
    if (refuses) {
      gdi32Own = redirectImport(library, "gdi32.dll", "ChoosePixelFormat",
                                reinterpret_cast<void*>(&refusedChoosePixelFormat));
      refusedFor = library;
    } else {
      redirectImport(library, "gdi32.dll", "ChoosePixelFormat", gdi32Own);
      refusedFor = nullptr;
    }
  } catch (const HostError& e) {
    throw HostError(std::string("cannot refuse the OpenGL platform: ") + e.what());
  }
}

}  // namespace minihost
