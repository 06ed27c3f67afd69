// While it lives, whatever the process writes to standard output goes to standard error,
// or nowhere. The effect prints diagnostics (its OpenGL context information, shader
// logs) on standard output; vantrel keeps its own standard output for what it is asked
// to write, and shows the diagnostics only when asked to (--verbose).
#pragma once

namespace vantrel {

class EffectDiagnostics {
 public:
  explicit EffectDiagnostics(bool shown);
  ~EffectDiagnostics();
  EffectDiagnostics(const EffectDiagnostics&) = delete;
  EffectDiagnostics& operator=(const EffectDiagnostics&) = delete;

 private:
  int saved_ = -1;  // the original standard output, or -1 when it was closed
};

}  // namespace vantrel
