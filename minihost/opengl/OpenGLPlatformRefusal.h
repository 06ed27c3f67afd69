// Takes the OpenGL platform away from a loaded effect, so that none of its contexts can
// be made (Faults::openGLPlatformRefuses): on Linux through EGL's driver list, on Windows
// through the module's own import of ChoosePixelFormat.
#pragma once

namespace minihost {

// Refuses the platform to the module `library` (Module::library()) while `refuses` holds.
// Throws HostError when it cannot.
void setOpenGLPlatformRefusal(void* library, bool refuses);

}  // namespace minihost
