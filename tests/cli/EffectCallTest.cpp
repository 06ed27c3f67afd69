// Effect commands whose non-zero results become one-line errors carrying the effect's
// message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EffectCall.h"
#include "HostThread.h"
#include "HostError.h"
#include "TestHost.h"

namespace {

std::string failureOf(minihost::Host& host, PF_Err result, const char* message) {
  try {
    vantrel::callEffect(host, "render", [&] {
      if (message) std::strcpy(host.outData().return_msg, message);
      return result;
    });
  } catch (const minihost::HostError& e) {
    return e.what();
  }
  return "";
}

TEST(EffectCall, SuccessThrowsNothing) {
  vantrel_test::DeclaredHost declared;
  EXPECT_EQ(failureOf(declared.host, PF_Err_NONE, "fine"), "");
}

TEST(EffectCall, FailureCarriesTheEffectsMessageOnOneLine) {
  vantrel_test::DeclaredHost declared;
  EXPECT_EQ(failureOf(declared.host, 516, "no OpenGL 3.3 context\ncould be made"),
            "the effect failed render with error 516: no OpenGL 3.3 context could be made");
}

TEST(EffectCall, FailureWithoutMessageGivesTheCode) {
  vantrel_test::DeclaredHost declared;
  std::strcpy(declared.host.outData().return_msg, "left over from an earlier command");
  EXPECT_EQ(failureOf(declared.host, 4, nullptr), "the effect failed render with error 4");
}

TEST(EffectCall, RealRenderFailureIsReported) {
  vantrel_test::DeclaredHost declared;
  minihost::Host& host = declared.host;
  ASSERT_NE(declared.instance, nullptr);
  // On a host thread of its own, as a host renders: LeakSanitizer's exit-time scan of
  // this program's main thread trips over the driver's thread-local storage otherwise.
  minihost::HostThread renderThread;
  std::string message;
  renderThread.call([&] {
    vantrel::callEffect(host, "global setup", [&] { return host.globalSetup(); });
    host.faults().handleAllocationFails = true;  // no memory for the read-back
    minihost::World input(16, 16), output(16, 16);
    try {
      vantrel::callEffect(host, "render", [&] { return host.render(*declared.instance, input, output); });
    } catch (const minihost::HostError& e) {
      message = e.what();
    }
    host.faults().handleAllocationFails = false;
    EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
  });
  EXPECT_EQ(message.rfind("the effect failed render with error ", 0), 0u) << message;
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

}  // namespace
