// The frame lists oiiotool users know: "1-100", "1-100x2" (every second frame), "3,7,10-20",
// single numbers, and ranges that count down ("10-1").
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// The frame numbers `text` lists, in the order it lists them. Numbers are non-negative;
// a number listed twice is refused. Throws std::runtime_error with a one-line reason
// naming the part that is wrong.
std::vector<long> parseFrameRange(const std::string& text);

}  // namespace vantrel
