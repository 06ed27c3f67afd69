#include "FramePipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

struct NumberedFrame {
  minihost::World world{0, 0};
  long number = 0;
  double seconds = 0;
};

// A queue of at most `capacity` frames; closing it wakes everyone and ends pushing.
class FrameQueue {
 public:
  explicit FrameQueue(std::size_t capacity) : capacity_(capacity) {}

  bool push(NumberedFrame frame) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || frames_.size() < capacity_; });
    if (closed_) return false;
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
  }
  bool pop(NumberedFrame& frame) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || !frames_.empty(); });
    if (frames_.empty()) return false;
    frame = std::move(frames_.front());
    frames_.pop_front();
    changed_.notify_all();
    return true;
  }
  // No more pushes; what is queued can still be taken.
  void close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<NumberedFrame> frames_;
  bool closed_ = false;
};

// The first failure of any thread, kept to be rethrown on the calling one.
class FirstFailure {
 public:
  void record(std::exception_ptr error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_) error_ = error;
    failed_ = true;
  }
  bool failed() const { return failed_; }
  void rethrow() {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::mutex mutex_;
  std::exception_ptr error_;
  std::atomic<bool> failed_{false};
};

}  // namespace

minihost::World WorldPool::take(A_long width, A_long height) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->width() == width && it->height() == height) {
      minihost::World world = std::move(*it);
      free_.erase(it);
      return world;
    }
  }
  return minihost::World(width, height);
}

void WorldPool::give(minihost::World world) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (free_.size() < capacity_) free_.push_back(std::move(world));
}

PipelineResult runPipeline(FrameSource& source, FrameSink& sink, const FrameWork& work, unsigned writers,
                           ProgressReport& progress, const std::atomic<bool>& stop) {
  const std::size_t depth = std::max(2u, 2 * writers);
  FrameQueue toRender(depth), toWrite(depth);
  FirstFailure failure;
  std::exception_ptr incompleteInput;  // rethrown once the whole frames before it are out
  std::mutex progressMutex;
  PipelineResult result;
  WorldPool worlds(2 * depth + writers + 2);  // as many as can be in use at once

  std::thread reader([&] {
    try {
      while (auto frame = source.next()) {
        const long number = source.lastNumber();
        const double seconds = source.lastTime().value_or(double(number) / work.rate.value());
        if (!toRender.push({work.prepare(*frame, worlds), number, seconds})) break;
      }
    } catch (const IncompleteInput&) {
      incompleteInput = std::current_exception();
    } catch (...) {
      failure.record(std::current_exception());
    }
    toRender.close();
  });

  std::vector<std::thread> writing;
  for (unsigned w = 0; w < std::max(1u, writers); ++w) {
    writing.emplace_back([&] {
      NumberedFrame frame;
      RgbaImage picture;  // this writer's, used again for every frame of its size
      while (toWrite.pop(frame)) {
        if (failure.failed()) continue;  // drain without writing
        try {
          fromWorld(frame.world, picture);
          worlds.give(std::move(frame.world));
          sink.write(picture, frame.number);
          std::lock_guard<std::mutex> lock(progressMutex);
          ++result.frames;
          progress.frameDone();
        } catch (...) {
          failure.record(std::current_exception());
          toRender.close();  // stop the others early
        }
      }
    });
  }

  try {
    NumberedFrame frame;
    while (!failure.failed() && toRender.pop(frame)) {
      if (stop) {
        result.interrupted = true;
        break;
      }
      minihost::World out = worlds.take(frame.world.width(), frame.world.height());
      work.render(frame.world, out, frame.seconds);
      worlds.give(std::move(frame.world));
      toWrite.push({std::move(out), frame.number, frame.seconds});
    }
  } catch (...) {
    failure.record(std::current_exception());
  }
  toRender.close();
  toWrite.close();
  reader.join();
  for (std::thread& thread : writing) thread.join();
  failure.rethrow();

  // An interrupted or cut-short run keeps what it wrote; with nothing written there is
  // nothing to keep.
  if ((!result.interrupted && !incompleteInput) || result.frames > 0) sink.finish();
  progress.finish();
  if (incompleteInput) std::rethrow_exception(incompleteInput);
  return result;
}

}  // namespace vantrel
