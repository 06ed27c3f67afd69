#pragma once

#include <string>
#include <vector>

namespace vantrel {

struct RenderRequest {
  std::string input;                     // a PNG; empty for the built-in picture
  std::string output;                    // the PNG to write
  std::vector<std::string> assignments;  // "NAME=VALUE", applied in order
};

// Renders one frame of the effect onto the input picture and writes the result. The
// effect's own diagnostics go to standard error. Throws std::runtime_error with a
// one-line reason; the output is then left untouched. Returns the process exit code.
int runRender(const std::string& modulePath, const RenderRequest& request);

}  // namespace vantrel
