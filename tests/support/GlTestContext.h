// A private context of the effect, current for the length of a test, and the thread's
// previous binding restored afterwards. Tests skip when no OpenGL context can be made.
#pragma once

#include <gtest/gtest.h>
#include <glbinding/Binding.h>

#include <memory>

#include "AEOpenGLContext.h"
#include "AESDK_OpenGL_Fault.h"
#include "ContextRestoreGuard.h"

namespace vantrel_test {

class GlTest : public testing::Test {
 protected:
  void SetUp() override {
    testing::internal::CaptureStdout();  // the context's information block
    try {
      context_ = std::make_unique<Quillon::Vantrel::AEOpenGLContext>(nullptr);
    } catch (const Quillon::Vantrel::AESDK_OpenGL_Fault&) {
    }
    testing::internal::GetCapturedStdout();
    if (!context_) GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
  }

  Quillon::Vantrel::AEOpenGLContext& context() { return *context_; }

 private:
  Quillon::Vantrel::ContextRestoreGuard guard_;
  std::unique_ptr<Quillon::Vantrel::AEOpenGLContext> context_;
};

}  // namespace vantrel_test
