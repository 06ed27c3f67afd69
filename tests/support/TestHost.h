// A substitute host on the built module, with its parameters declared and one instance.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "Host.h"

namespace vantrel_test {

// The built module, or the one $VANTREL_MODULE names (a copy of the build elsewhere).
inline const char* modulePath() {
  const char* given = std::getenv("VANTREL_MODULE");
  return given && *given ? given : VANTREL_MODULE_PATH;
}

struct DeclaredHost {
  minihost::Host host{modulePath()};
  minihost::EffectInstance* instance = nullptr;

  DeclaredHost() {
    if (host.paramsSetup() == PF_Err_NONE) instance = &host.newInstance();
    host.journal().clear();
  }
};

inline bool leaksNothing(const minihost::Host& host) {
  return host.liveSuites() == 0 && host.liveMemoryHandles() == 0 && host.liveEffectHandles() == 0 &&
         host.liveStreamHandles() == 0;
}

}  // namespace vantrel_test
