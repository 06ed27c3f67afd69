#pragma once

#include <memory>

#include "AEOpenGLContext.h"

namespace Quillon::Vantrel {

// The effect's own context from global setup to global setdown; every render context
// shares its objects.
extern std::unique_ptr<AEOpenGLContext> globalContext;

}  // namespace Quillon::Vantrel
