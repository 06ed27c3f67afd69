#pragma once

#include <set>
#include <string>

#include "AE_Effect.h"

namespace minihost {

// Host failures to inject. Each stays in force until cleared.
struct Faults {
  std::set<std::string> missingSuites;  // suite names AcquireSuite refuses

  PF_ParamIndex addParamFailsAt = -1;   // add_param of this parameter index fails
  PF_Err addParamError = PF_Err_OUT_OF_MEMORY;

  PF_ParamIndex checkoutFailsAt = -1;   // checkout_param of this index fails
  PF_Err checkoutError = PF_Err_OUT_OF_MEMORY;

  bool handleAllocationFails = false;   // host_new_handle returns null

  // The OpenGL platform finds no driver, from the next command on. On Linux EGL's vendor
  // list names a file that does not exist; EGL reads that list once, when the process
  // first uses EGL, so this works only in a process that has not used EGL yet (a fresh
  // child), and it cannot be cleared there. On Windows the module's ChoosePixelFormat
  // finds no format; clearing this gives the format back.
  bool openGLPlatformRefuses = false;
};

}  // namespace minihost
