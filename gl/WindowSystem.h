// What the effect needs of the window system, whatever supplies it: contexts current on
// the calling thread, made on their own or sharing objects with another; the thread's
// current binding, recorded and made current again. EGL on Linux, WGL on Windows; each
// platform's header gives the two records below.
#pragma once

#include <glbinding/ContextHandle.h>

#include <string>

#if defined(_WIN32)
#include "WglTypes.h"
#else
#include "EglTypes.h"
#endif

namespace Quillon::Vantrel::WindowSystem {

// Creates a desktop OpenGL 3.3 core context for `owner`, sharing objects with `shareWith`
// when it is not null, and makes it current on the calling thread. Throws
// AESDK_OpenGL_Fault, having released whatever it made, or std::runtime_error with a
// reason where a setting names no usable device.
NativeContext createContext(const void* owner, const NativeContext* shareWith);
// Which device renders and why, as a line of the information block; empty where the
// window system has nothing to add to the OpenGL renderer's name.
std::string renderingDevice();
// Makes no context current on the calling thread, then deletes the context.
void destroyContext(NativeContext& context);
// Makes the context current on the calling thread; false when the window system refuses.
bool makeCurrent(const NativeContext& context);

glbinding::ContextHandle handleOf(const NativeContext& context);
glbinding::ContextHandle currentHandle();

CurrentBinding currentBinding();
// Makes a recorded binding current again; an empty one leaves no context current.
// Failures are ignored: there is nothing better to restore.
void restoreBinding(const CurrentBinding& binding);

}  // namespace Quillon::Vantrel::WindowSystem
