#include "EffectCall.h"

#include <cstring>

#include "HostError.h"

namespace vantrel {

void throwEffectFailure(minihost::Host& host, const std::string& what, PF_Err err) {
  const PF_OutData& out = host.outData();
  std::string reason(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
  for (char& c : reason) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  std::string message = "the effect failed " + what + " with error " + std::to_string(err);
  if (reason.find_first_not_of(' ') != std::string::npos) message += ": " + reason;
  throw minihost::HostError(message);
}

}  // namespace vantrel
