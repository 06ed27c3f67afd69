// The benchmark's stage marks: glFinish, then the time since the previous mark. Frames
// are timed one at a time (the render holds its lock), so plain storage will do.
#include <glbinding/gl33core/gl.h>

#include <chrono>

#include "StageTiming.h"

namespace Quillon::Vantrel {
namespace {

std::chrono::steady_clock::time_point previous;
double stageSeconds[int(FrameStage::Count)] = {};

}  // namespace

void markStage(FrameStage ended) {
  if (ended != FrameStage::Start) gl33core::glFinish();
  const auto now = std::chrono::steady_clock::now();
  if (ended != FrameStage::Start) stageSeconds[int(ended)] = std::chrono::duration<double>(now - previous).count();
  previous = now;
}

}  // namespace Quillon::Vantrel

// The last frame's stage times in seconds, in the order upload, snapshot and shape
// draw, resolve and conversion, read-back and copy.
extern "C" __attribute__((visibility("default"))) void VantrelLastFrameStages(double seconds[4]) {
  using Quillon::Vantrel::FrameStage;
  using Quillon::Vantrel::stageSeconds;
  seconds[0] = stageSeconds[int(FrameStage::Upload)];
  seconds[1] = stageSeconds[int(FrameStage::Draw)];
  seconds[2] = stageSeconds[int(FrameStage::Convert)];
  seconds[3] = stageSeconds[int(FrameStage::Readback)];
}
