#pragma once

#include <cstdint>

namespace Quillon::Vantrel {

// Thrown by a failed step of creating a private OpenGL context.
class AESDK_OpenGL_Fault {
 public:
  std::int32_t code = 1;
};

}  // namespace Quillon::Vantrel
