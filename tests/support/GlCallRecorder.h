// Records the OpenGL calls made while it lives, through glbinding's callbacks.
#pragma once

#include <glbinding/AbstractFunction.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/CallbackMask.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantrel_test {

struct RecordedCall {
  std::string name;
  std::vector<std::string> parameters;
  std::string returned;
};

class GlCallRecorder {
 public:
  GlCallRecorder() {
    glbinding::setCallbackMask(glbinding::CallbackMask::After | glbinding::CallbackMask::ParametersAndReturnValue);
    glbinding::setAfterCallback([this](const glbinding::FunctionCall& call) {
      RecordedCall recorded{call.function->name(), {}, call.returnValue ? call.returnValue->asString() : ""};
      for (const glbinding::AbstractValue* p : call.parameters) recorded.parameters.push_back(p->asString());
      calls.push_back(std::move(recorded));
    });
  }
  ~GlCallRecorder() {
    glbinding::setCallbackMask(glbinding::CallbackMask::None);
    glbinding::setAfterCallback([](const glbinding::FunctionCall&) {});
  }
  GlCallRecorder(const GlCallRecorder&) = delete;
  GlCallRecorder& operator=(const GlCallRecorder&) = delete;

  std::vector<std::string> names() const {
    std::vector<std::string> list;
    for (const RecordedCall& c : calls) list.push_back(c.name);
    return list;
  }
  std::size_t count(const std::string& name) const {
    return std::size_t(std::count_if(calls.begin(), calls.end(), [&](const RecordedCall& c) { return c.name == name; }));
  }

  std::vector<RecordedCall> calls;
};

}  // namespace vantrel_test
