// Records the OpenGL calls made while it lives, on any thread, through glbinding's
// callbacks.
#pragma once

#include <glbinding/AbstractFunction.h>
#include <glbinding/Binding.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/CallbackMask.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel_test {

struct RecordedCall {
  std::string name;
  std::vector<std::string> parameters;
  std::string returned;
};

// glbinding keeps the callback mask per context, so it is set again whenever the
// effect switches glbinding to one of its contexts.
inline std::atomic<bool>& recordingCalls() {
  static std::atomic<bool> on{false};
  return on;
}

inline void applyRecordingMask() {
  glbinding::setCallbackMask(recordingCalls()
                                 ? glbinding::CallbackMask::After | glbinding::CallbackMask::ParametersAndReturnValue
                                 : glbinding::CallbackMask::None);
}

class GlCallRecorder {
 public:
  GlCallRecorder() {
    static std::once_flag followSwitches;
    std::call_once(followSwitches, [] {
      glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) { applyRecordingMask(); });
    });
    recordingCalls() = true;
    applyRecordingMask();
    glbinding::setAfterCallback([this](const glbinding::FunctionCall& call) {
      RecordedCall recorded{call.function->name(), {}, call.returnValue ? call.returnValue->asString() : ""};
      for (const glbinding::AbstractValue* p : call.parameters) recorded.parameters.push_back(p->asString());
      std::lock_guard<std::mutex> lock(mutex_);
      calls.push_back(std::move(recorded));
    });
  }
  ~GlCallRecorder() {
    recordingCalls() = false;
    applyRecordingMask();
    glbinding::setAfterCallback([](const glbinding::FunctionCall&) {});
  }
  GlCallRecorder(const GlCallRecorder&) = delete;
  GlCallRecorder& operator=(const GlCallRecorder&) = delete;

  std::size_t count(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::size_t(std::count_if(calls.begin(), calls.end(), [&](const RecordedCall& c) { return c.name == name; }));
  }

  std::vector<RecordedCall> calls;

 private:
  mutable std::mutex mutex_;
};

}  // namespace vantrel_test
