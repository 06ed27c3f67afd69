#include <cstdlib>
#include <mutex>

#include "OpenGLPlatformRefusal.h"

namespace minihost {

// EGL's vendor list is made to name a file that does not exist. EGL reads the list once,
// when the process first uses EGL, so this takes only in a process that has not used EGL
// yet, and once read, the list cannot be given back.
void setOpenGLPlatformRefusal(void*, bool refuses) {
  if (!refuses) return;
  static std::once_flag once;
  std::call_once(once, [] { setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/minihost-no-driver.json", 1); });
}

}  // namespace minihost
