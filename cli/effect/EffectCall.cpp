#include "EffectCall.h"

#include "HostError.h"

namespace vantrel {

void throwEffectFailure(minihost::Host& host, const std::string& what, PF_Err err) {
  throw minihost::HostError(host.failureMessage(what, err));
}

}  // namespace vantrel
