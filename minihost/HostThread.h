#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>

namespace minihost {

class HostOpenGLContext;

// One of the host's own threads: runs the commands handed to it in order. Optionally it
// keeps an OpenGL context of the host's own current, as a host that draws its own
// interface with OpenGL does, so that tests can see the effect give it back.
class HostThread {
 public:
  explicit HostThread(bool withOwnContext = false);
  ~HostThread();
  HostThread(const HostThread&) = delete;
  HostThread& operator=(const HostThread&) = delete;

  // Runs `work` on this thread; the future holds its result.
  template <typename F>
  auto post(F work) -> std::future<decltype(work())> {
    auto task = std::make_shared<std::packaged_task<decltype(work())()>>(std::move(work));
    auto result = task->get_future();
    enqueue([task] { (*task)(); });
    return result;
  }
  // Runs `work` on this thread and waits for it.
  template <typename F>
  auto call(F work) -> decltype(work()) {
    return post(std::move(work)).get();
  }

  // On this thread: whether the host's own context (if any) is the one current.
  bool ownContextCurrent();
  bool hasOwnContext() const { return hasOwnContext_; }

 private:
  void enqueue(std::function<void()> job);
  void loop();

  bool hasOwnContext_ = false;
  std::unique_ptr<HostOpenGLContext> context_;  // lives and dies on the thread
  std::mutex mutex_;
  std::condition_variable wake_;
  std::queue<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace minihost
