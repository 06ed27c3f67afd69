// The pictures a farm's tasks rendered, put back in place of the effect's for the join.
#pragma once

#include <memory>
#include <string>

#include "FrameIo.h"

namespace vantrel {

// The frames of `source` (their numbers, times and what an output carries over), each
// with the picture in the file `pictures` names for its number in place of its own.
std::unique_ptr<FrameSource> picturesFrom(std::unique_ptr<FrameSource> source, const std::string& pictures);

}  // namespace vantrel
