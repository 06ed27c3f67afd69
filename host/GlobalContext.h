#pragma once

#include "AEOpenGLContext.h"

namespace Quillon::Vantrel {

// The effect's own context from global setup to global setdown; every render context
// shares its objects. Owned, but deleted by global setdown alone: a module unloaded
// without setdown, or a process ending, must make no window-system calls (on Windows they
// would run under the loader lock), so what setdown did not release is left to the
// process's end. The effect's other process-wide holders follow the same rule.
extern AEOpenGLContext* globalContext;

// The global context, made first if there is none: by global setup, or by the first
// render of a host that renders although global setup failed or never came, so that
// every render context shares its objects and global setdown finds what to release.
// Throws AESDK_OpenGL_Fault when it cannot be made.
AEOpenGLContext& makeGlobalContext();

}  // namespace Quillon::Vantrel
