#pragma once

#include <stdexcept>
#include <string>

namespace minihost {

// A failure of the substitute host itself (a module it cannot load, a call it refuses),
// as opposed to an error code the module returns.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace minihost
