// Frames through the substitute host: threads, the host's own context and the GPU's
// limits. What the target and the program cache make is counted in RenderCallsTest; host
// faults, overlapped renders and setdown after frames on several threads in the fault matrix.
#include <gtest/gtest.h>


#include "HostThread.h"
#include "RenderLifecycle.h"

namespace {

using minihost::HostThread;
using minihost::World;
using vantrel_test::RenderLifecycle;
using vantrel_test::testPicture;

// The layer-sized objects are shared and made again by whichever context meets a new
// size first; each context's framebuffers must then take up the new ones. Sizes change
// as the thread does (A at one size, B at the other, A at B's), neither size holds the
// other, and each frame differs from the one before nearly everywhere, so that a
// framebuffer left on old storage shows: a cropped frame, or the last frame's pixels.
TEST_F(RenderLifecycle, FramesFromAlternatingThreadsEqualSingleThreadFrames) {
  const A_long sizes[2][2] = {{64, 48}, {80, 40}};
  const auto prepare = [&](int f) {
    fixture.set("Shape Size 1", {double(12 + 2 * f)});
    fixture.set("Transparent Background", {double(f % 2)});
    return sizes[(f + 1) / 2 % 2];
  };
  std::vector<std::vector<std::uint8_t>> single;
  for (int f = 0; f < 9; ++f) {
    const A_long* size = prepare(f);
    single.push_back(frame(size[0], size[1]));
  }
  for (int threadCount : {2, 3}) {
    std::vector<std::unique_ptr<HostThread>> threads;
    for (int t = 0; t < threadCount; ++t) threads.push_back(std::make_unique<HostThread>(true));
    for (int f = 0; f < 3 * threadCount; ++f) {
      HostThread& thread = *threads[std::size_t(f % threadCount)];
      const A_long* size = prepare(f);
      EXPECT_EQ(thread.call([&] { return frame(size[0], size[1]); }), single[std::size_t(f)])
          << threadCount << " threads, frame " << f;
      EXPECT_TRUE(thread.call([&] { return thread.ownContextCurrent(); })) << "the host's context is back";
    }
  }
}

TEST_F(RenderLifecycle, ALayerBeyondTheGpuLimitsFailsWithAReason) {
  World input = testPicture(40000, 2), output(40000, 2);
  EXPECT_EQ(render(input, output), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_NE(std::string(fixture.host.outData().return_msg).find("40000x2 pixels"), std::string::npos)
      << fixture.host.outData().return_msg;
  EXPECT_EQ(frame(40, 30).size(), 40u * 30u * 4u) << "the next frame renders";
}

}  // namespace
