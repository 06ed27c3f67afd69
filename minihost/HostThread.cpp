#include "HostThread.h"

#include "HostOpenGLContext.h"

namespace minihost {

HostThread::HostThread(bool withOwnContext) : hasOwnContext_(withOwnContext), thread_([this] { loop(); }) {
  if (withOwnContext) {
    call([this] {
      context_ = std::make_unique<HostOpenGLContext>();
      context_->makeCurrent();
    });
  }
}

HostThread::~HostThread() {
  call([this] { context_.reset(); });
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

bool HostThread::ownContextCurrent() { return context_ && context_->isCurrent(); }

void HostThread::enqueue(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push(std::move(job));
  }
  wake_.notify_one();
}

void HostThread::loop() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop();
    }
    job();
  }
}

}  // namespace minihost
