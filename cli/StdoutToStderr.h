// While it lives, whatever the process writes to standard output goes to standard error
// instead. The effect prints diagnostics (its OpenGL context information, shader logs) on
// standard output; vantrel keeps its own standard output for what it is asked to write.
#pragma once

namespace vantrel {

class StdoutToStderr {
 public:
  StdoutToStderr();
  ~StdoutToStderr();
  StdoutToStderr(const StdoutToStderr&) = delete;
  StdoutToStderr& operator=(const StdoutToStderr&) = delete;

 private:
  int saved_ = -1;  // the original standard output, or -1 when it was closed
};

}  // namespace vantrel
