// Watches the effect's window-system calls: once armed, the first one ends the process
// with exit code 3, naming the call on standard error. On Linux through EGL functions
// that the test program exports, so that the module's calls reach them first; on Windows
// through the module's own imports from opengl32.
#pragma once

namespace vantrel_faults {

// `library` is the loaded module (minihost::Module::library()).
void endProcessOnWindowSystemCall(void* library);

}  // namespace vantrel_faults
