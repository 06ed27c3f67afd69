// One small render through the substitute host, for memcheck: global setup, two frames
// of two sizes (the second makes the render target anew), and global setdown. Exits 0
// when every command succeeded and every pixel of each frame was written.
//
// With --leak-one-block it leaks 64 bytes of its own first, so that a test can see that
// the suppressions let a leak of ours through.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Host.h"
#include "ParamIndex.h"

namespace {

using minihost::World;
using namespace Quillon::Vantrel;

World picture(A_long width, A_long height) {
  World world(width, height);
  for (A_long y = 0; y < height; ++y) {
    for (A_long x = 0; x < width; ++x) {
      world.at(x, y) = PF_Pixel{A_u_char(255 - 9 * (x + y)), A_u_char(x * 16), A_u_char(y * 16), A_u_char(128)};
    }
  }
  return world;
}

// Renders into two outputs filled with different bytes: the frames agree only where
// the effect wrote every byte.
bool renderWhole(minihost::Host& host, minihost::EffectInstance& instance, A_long width, A_long height) {
  World input = picture(width, height), first(width, height), second(width, height);
  std::fill(first.bytes().begin(), first.bytes().end(), std::uint8_t(0x00));
  std::fill(second.bytes().begin(), second.bytes().end(), std::uint8_t(0xFF));
  const PF_Err a = host.render(instance, input, first);
  const PF_Err b = host.render(instance, input, second);
  std::fprintf(stderr, "render %dx%d: %d %d\n", width, height, a, b);
  return a == PF_Err_NONE && b == PF_Err_NONE && first.bytes() == second.bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--leak-one-block") == 0) {
    void* volatile block = std::malloc(64);
    std::memset(block, 1, 64);
    block = nullptr;
  }
  const char* module = std::getenv("VANTREL_MODULE");
  minihost::Host host(module && *module ? module : VANTREL_MODULE_PATH);
  if (host.paramsSetup() != PF_Err_NONE) return 1;
  minihost::EffectInstance& instance = host.newInstance();
  instance.set(kShapeSize1, {6});
  instance.set(kShapeSize2, {3});
  instance.set(kShadowSize, {2});
  instance.set(kInstances, {3});
  instance.set(kPositionXOffset, {2});
  const PF_Err setup = host.globalSetup();
  if (setup != PF_Err_NONE) {
    std::fprintf(stderr, "global setup: %d %s\n", setup, host.outData().return_msg);
    return 1;
  }
  bool right = renderWhole(host, instance, 16, 16);
  right = renderWhole(host, instance, 12, 8) && right;
  right = host.globalSetdown() == PF_Err_NONE && right;
  right = right && host.liveSuites() == 0 && host.liveMemoryHandles() == 0;
  std::fprintf(stderr, "%s\n", right ? "frames right" : "frames wrong");
  return right ? 0 : 1;
}
