// Refuses the effect's render contexts on demand: while `refuseSharedContexts` holds, no
// context that would share objects with another can be made (the effect's render
// contexts; neither its global context nor a host's own). On Linux through an
// eglCreateContext that the test program exports, so that the module's calls reach it
// before EGL's own; on Windows through the module's import of wglShareLists.
#pragma once

#include <atomic>

namespace vantrel_faults {

extern std::atomic<bool> refuseSharedContexts;
extern std::atomic<int> refusedContexts;  // contexts refused since the process started

// Puts the refusal between the loaded module `library` and the window system.
void installContextRefusal(void* library);
// Whether an OpenGL context is current on the calling thread.
bool anyContextCurrent();

}  // namespace vantrel_faults
