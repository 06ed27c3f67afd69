#pragma once

#include "AEOpenGLContext.h"

namespace Quillon::Vantrel {

// The effect's own context from global setup to global setdown; every render context
// shares its objects. Owned, but deleted by global setdown alone: a module unloaded
// without setdown, or a process ending, must make no window-system calls (on Windows they
// would run under the loader lock), so what setdown did not release is left to the
// process's end. The effect's other process-wide holders follow the same rule.
extern AEOpenGLContext* globalContext;

}  // namespace Quillon::Vantrel
