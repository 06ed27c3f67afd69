#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "FrameIo.h"
#include "ProgressReport.h"

namespace vantrel {

// Worlds handed back once used, so that a run at one size allocates no more of them than
// its queues hold at once. Safe to use from any thread.
class WorldPool {
 public:
  explicit WorldPool(std::size_t capacity) : capacity_(capacity) {}
  // A world of this size: a used one, its pixels as they were left, or a new one.
  minihost::World take(A_long width, A_long height);
  void give(minihost::World world);

 private:
  std::size_t capacity_;
  std::mutex mutex_;
  std::vector<minihost::World> free_;
};

// What is done to each frame: `prepare` turns a picture into the world the host hands
// the effect (on the reading thread), taking it from the pool; `render` renders that
// world into `output`, a world of its size, as the frame at the given time in seconds
// (on the calling thread). A frame's time is the one its input gives it, else its own
// number over `rate`, whatever frames the run holds.
struct FrameWork {
  std::function<minihost::World(const RgbaImage& picture, WorldPool& worlds)> prepare;
  std::function<void(minihost::World& input, minihost::World& output, double seconds)> render;
  FrameRate rate;
};


struct PipelineResult {
  std::size_t frames = 0;    // written
  bool interrupted = false;  // stopped early by `stop`; what was written is kept
};

// Runs every frame of `source` through `work` into `sink`: reading and preparing on a
// thread of its own ahead of the renders, the renders one at a time on the calling thread
// (as the effect asks), converting and writing on `writers` threads behind them (one for
// a sink that takes its frames in order), so that the renders are all the calling thread
// does. The first failure anywhere stops the run and is rethrown here; the sink is then
// not finished, so it leaves nothing half-written. An input that ends inside a frame
// (IncompleteInput) is rethrown after the whole frames before it are written and finished.
PipelineResult runPipeline(FrameSource& source, FrameSink& sink, const FrameWork& work, unsigned writers,
                           ProgressReport& progress, const std::atomic<bool>& stop);

}  // namespace vantrel
