#pragma once

#include <mutex>

#include "AEOpenGLContext.h"

namespace Quillon::Vantrel {

// Held for the whole of a render: the render state is process-wide, so frames that a
// host overlaps are drawn one after the other.
extern std::recursive_mutex renderMutex;

// The calling thread's render context, made on its first render and sharing the global
// context's objects. Throws AESDK_OpenGL_Fault when it cannot be made; the next render
// on the thread tries again.
AEOpenGLContext& acquireThreadContext();
// Deletes every render context, in the order the threads first rendered.
void releaseThreadContexts();

}  // namespace Quillon::Vantrel
