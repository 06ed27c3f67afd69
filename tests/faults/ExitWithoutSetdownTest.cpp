// A host may end, or unload the effect, without sending global setdown. The effect must
// then make no window-system calls: on Windows they would run under the loader lock,
// where they can deadlock. What setdown did not release is left to the process's end.
#include <gtest/gtest.h>

#include <cstdlib>

#include "HostThread.h"
#include "RenderHost.h"
#include "WindowSystemCallWatch.h"

namespace {

[[noreturn]] void renderThenEndWithoutSetdown() {
  auto* scene = new vantrel_test::RenderHost;  // never deleted: its setdown must not run
  if (!scene->ready) std::exit(1);
  minihost::World input = vantrel_test::testPicture(32, 24), output(32, 24);
  // A frame on this thread and one on another, so that render contexts exist as well.
  minihost::HostThread renderThread;
  testing::internal::CaptureStdout();
  const bool rendered = scene->host.render(*scene->instance, input, output) == PF_Err_NONE &&
                        renderThread.call([&] { return scene->host.render(*scene->instance, input, output); }) ==
                            PF_Err_NONE;
  testing::internal::GetCapturedStdout();
  if (!rendered) std::exit(2);
  vantrel_faults::endProcessOnWindowSystemCall(scene->host.module().library());
  std::exit(0);
}

TEST(ExitWithoutSetdown, TheEffectMakesNoWindowSystemCalls) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(renderThenEndWithoutSetdown(), testing::ExitedWithCode(0), "");
}

}  // namespace
