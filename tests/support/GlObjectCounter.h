// Counts the OpenGL objects made and deleted while it lives, on any thread and in any
// context, through glbinding's after-callbacks on the fourteen functions that make or
// delete them. Unlike GlCallRecorder it keeps no record of the calls, so it can watch
// thousands of frames without growing itself.
#pragma once

#include <glbinding/AbstractFunction.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/Binding.h>
#include <glbinding/CallbackMask.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace vantrel_test {

class GlObjectCounter {
 public:
  GlObjectCounter() {
    static std::once_flag followSwitches;
    std::call_once(followSwitches, [] {
      // glbinding keeps the callback masks per context: set them again on every switch.
      glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) { applyMasks(); });
    });
    for (long& count : live_) count = 0;
    glbinding::setAfterCallback([this](const glbinding::FunctionCall& call) { count(call); });
    counting() = true;
    applyMasks();
  }
  ~GlObjectCounter() {
    counting() = false;
    applyMasks();
    glbinding::setAfterCallback([](const glbinding::FunctionCall&) {});
  }
  GlObjectCounter(const GlObjectCounter&) = delete;
  GlObjectCounter& operator=(const GlObjectCounter&) = delete;

  // Objects made and not deleted since the counter started, by kind ("texture",
  // "renderbuffer", "framebuffer", "buffer", "vertex array", "program", "shader").
  std::map<std::string, long> live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, long> result;
    for (std::size_t k = 0; k < kKinds.size(); ++k) result[kKinds[k]] = live_[k];
    return result;
  }
  // Objects made since the counter started, of every kind, deleted or not.
  long made() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return made_;
  }
  // How many make and delete calls were seen: proof that the callbacks reached us.
  unsigned long callsSeen() const { return calls_; }

 private:
  static constexpr std::array<const char*, 7> kKinds = {"texture", "renderbuffer", "framebuffer", "buffer",
                                                        "vertex array", "program", "shader"};
  struct Watched {
    glbinding::AbstractFunction* function;
    std::size_t kind;
    int sign;
    bool countsFirstParameter;  // glGen*/glDelete* (n, names); glCreate*/glDelete* one each
  };

  static std::atomic<bool>& counting() {
    static std::atomic<bool> on{false};
    return on;
  }

  static const std::array<Watched, 14>& watched() {
    using glbinding::Binding;
    static const std::array<Watched, 14> list = {{
        {&Binding::GenTextures, 0, +1, true},       {&Binding::DeleteTextures, 0, -1, true},
        {&Binding::GenRenderbuffers, 1, +1, true},  {&Binding::DeleteRenderbuffers, 1, -1, true},
        {&Binding::GenFramebuffers, 2, +1, true},   {&Binding::DeleteFramebuffers, 2, -1, true},
        {&Binding::GenBuffers, 3, +1, true},        {&Binding::DeleteBuffers, 3, -1, true},
        {&Binding::GenVertexArrays, 4, +1, true},   {&Binding::DeleteVertexArrays, 4, -1, true},
        {&Binding::CreateProgram, 5, +1, false},    {&Binding::DeleteProgram, 5, -1, false},
        {&Binding::CreateShader, 6, +1, false},     {&Binding::DeleteShader, 6, -1, false},
    }};
    return list;
  }

  // Only the watched functions call back, and only with their parameters: every other
  // OpenGL call stays on glbinding's fast path.
  static void applyMasks() {
    const glbinding::CallbackMask mask = counting()
                                             ? glbinding::CallbackMask::After | glbinding::CallbackMask::Parameters
                                             : glbinding::CallbackMask::None;
    for (const Watched& w : watched()) w.function->setCallbackMask(mask);
  }

  void count(const glbinding::FunctionCall& call) {
    for (const Watched& w : watched()) {
      if (call.function != w.function) continue;
      long n = 1;
      if (w.countsFirstParameter) n = call.parameters.empty() ? 0 : std::stol(call.parameters[0]->asString());
      std::lock_guard<std::mutex> lock(mutex_);
      live_[w.kind] += w.sign * n;
      if (w.sign > 0) made_ += n;
      ++calls_;
      return;
    }
  }

  mutable std::mutex mutex_;
  std::array<long, kKinds.size()> live_{};
  long made_ = 0;
  std::atomic<unsigned long> calls_{0};
};

}  // namespace vantrel_test
