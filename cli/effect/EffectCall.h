// Sending commands to the effect and turning its error codes into one-line errors.
#pragma once

#include <string>

#include "Host.h"

namespace vantrel {

[[noreturn]] void throwEffectFailure(minihost::Host& host, const std::string& what, PF_Err err);

// Clears the effect's message, sends one command through `send`, and throws
// minihost::HostError on a non-zero result: "the effect failed WHAT with error N", with
// the effect's own message after a colon when it left one.
template <typename Send>
void callEffect(minihost::Host& host, const std::string& what, Send&& send) {
  host.outData().return_msg[0] = '\0';
  const PF_Err err = send();
  if (err != PF_Err_NONE) throwEffectFailure(host, what, err);
}

}  // namespace vantrel
