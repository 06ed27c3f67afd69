#pragma once

#include <atomic>
#include <functional>

#include "FrameIo.h"
#include "ProgressReport.h"

namespace vantrel {

// Renders one frame: the input picture and the frame's index in the run (0, 1, 2...).
using RenderFrame = std::function<RgbaImage(const RgbaImage& input, std::size_t index)>;

struct PipelineResult {
  std::size_t frames = 0;    // written
  bool interrupted = false;  // stopped early by `stop`; what was written is kept
};

// Runs every frame of `source` through `render` into `sink`: reading on a thread of its
// own ahead of the renders, the renders one at a time on the calling thread (as the
// effect asks), writing on `writers` threads behind them (one for a sink that takes its
// frames in order). The first failure anywhere stops the run and is rethrown here; the
// sink is then not finished, so it leaves nothing half-written.
PipelineResult runPipeline(FrameSource& source, FrameSink& sink, const RenderFrame& render, unsigned writers,
                           ProgressReport& progress, const std::atomic<bool>& stop);

}  // namespace vantrel
