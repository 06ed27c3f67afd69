// A test-only stand-in for eglCreateContext, defined in the fault matrix's executable and
// exported from it, so that the module's calls reach it before EGL's own. While armed it
// refuses every context that would share objects with another one: the effect's render
// contexts, but neither its global context nor a host's own. Otherwise it passes the
// call on to EGL.
#pragma once

#include <atomic>

namespace vantrel_faults {

extern std::atomic<bool> refuseSharedContexts;
extern std::atomic<int> refusedContexts;  // contexts refused since the process started

}  // namespace vantrel_faults
