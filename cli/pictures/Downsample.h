#pragma once

#include "RgbaImage.h"

namespace vantrel {

// The picture at 1/factor of its size in each direction (rounded up), each pixel the
// average of the block it covers, weighted by alpha as a host's preview does.
RgbaImage downsample(const RgbaImage& picture, unsigned factor);

}  // namespace vantrel
