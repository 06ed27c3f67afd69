// `--set "NAME=VALUE"`: a control named as the effect declares it, and a value in the
// units the control shows.
#pragma once

#include <string>

#include "Host.h"

namespace vantrel {

struct ParamAssignment {
  PF_ParamIndex index;
  minihost::ParamValue value;  // as EffectInstance::set takes it
};

// Parses "NAME=VALUE" against the host's declared controls. NAME is a display name
// ("Shadow Opacity"; letter case may differ). VALUE is, by the control's type:
//   popup        a choice ("Ring", any letter case) or its number (1 is the first)
//   slider       a number within the valid range; whole for an integer slider; a
//                percent slider takes percent ("40" or "40%")
//   angle        degrees ("45", "45deg")
//   point        "X,Y" in layer pixels
//   checkbox     on/off, true/false, yes/no, 1/0
//   colour       "#RRGGBB", opaque
// Throws std::runtime_error with a one-line reason: an unknown name, a value of the
// wrong form, or one outside the control's valid range (the range is named).
ParamAssignment parseParamAssignment(const minihost::Host& host, const std::string& text);

// Parses and stores the value in `instance`.
void applyParamAssignment(const minihost::Host& host, minihost::EffectInstance& instance, const std::string& text);

}  // namespace vantrel
