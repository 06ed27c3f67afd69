// Counts the OpenGL objects made and deleted while it lives, on any thread and in any
// context, through glbinding's after-callbacks on the functions that make or delete them
// (every other call stays on glbinding's fast path). It keeps no record of the calls.
#pragma once

#include <glbinding/AbstractFunction.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/Binding.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace vantrel_test {

class GlObjectCounter {
 public:
  GlObjectCounter() {
    static std::once_flag followSwitches;  // glbinding keeps the masks per context
    std::call_once(followSwitches, [] { glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) { applyMasks(); }); });
    for (const auto& [function, kind] : watched()) live_[kind.first] = 0;
    glbinding::setAfterCallback([this](const glbinding::FunctionCall& call) { count(call); });
    applyMasks(counting() = true);
  }
  ~GlObjectCounter() {
    applyMasks(counting() = false);
    glbinding::setAfterCallback([](const glbinding::FunctionCall&) {});
  }
  GlObjectCounter(const GlObjectCounter&) = delete;

  // Objects made and not deleted since the counter started, by kind ("texture", "vertex array"...).
  std::map<std::string, long> live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_;
  }
  long made() const { return made_; }                 // made since it started, deleted or not
  unsigned long callsSeen() const { return calls_; }  // make and delete calls: the callbacks reach it

 private:
  using Watched = std::map<const glbinding::AbstractFunction*, std::pair<std::string, int>>;
  // The kind each function makes (1) or deletes (-1): as many as its first parameter says,
  // but one program or shader.
  static const Watched& watched() {
    using B = glbinding::Binding;
    static const Watched list = {
        {&B::GenTextures, {"texture", 1}}, {&B::DeleteTextures, {"texture", -1}},
        {&B::GenRenderbuffers, {"renderbuffer", 1}}, {&B::DeleteRenderbuffers, {"renderbuffer", -1}},
        {&B::GenFramebuffers, {"framebuffer", 1}}, {&B::DeleteFramebuffers, {"framebuffer", -1}},
        {&B::GenBuffers, {"buffer", 1}}, {&B::DeleteBuffers, {"buffer", -1}},
        {&B::GenVertexArrays, {"vertex array", 1}}, {&B::DeleteVertexArrays, {"vertex array", -1}},
        {&B::CreateProgram, {"program", 1}}, {&B::DeleteProgram, {"program", -1}},
        {&B::CreateShader, {"shader", 1}}, {&B::DeleteShader, {"shader", -1}}};
    return list;
  }
  static std::atomic<bool>& counting() {
    static std::atomic<bool> on{false};
    return on;
  }
  static void applyMasks(bool on = counting()) {
    using glbinding::CallbackMask;
    const CallbackMask mask = on ? CallbackMask::After | CallbackMask::Parameters : CallbackMask::None;
    for (const auto& [f, kind] : watched()) const_cast<glbinding::AbstractFunction*>(f)->setCallbackMask(mask);
  }
  void count(const glbinding::FunctionCall& call) {
    const auto watch = watched().find(call.function);
    if (watch == watched().end()) return;
    const auto& [kind, sign] = watch->second;
    const long n = kind == "program" || kind == "shader" ? 1 : call.parameters.empty() ? 0 : std::stol(call.parameters[0]->asString());
    std::lock_guard<std::mutex> lock(mutex_);
    live_[kind] += sign * n;
    made_ += sign > 0 ? n : 0;
    ++calls_;
  }

  mutable std::mutex mutex_;
  std::map<std::string, long> live_;
  std::atomic<long> made_{0};
  std::atomic<unsigned long> calls_{0};
};

}  // namespace vantrel_test
