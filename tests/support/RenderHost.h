// A substitute host set up to render: parameters declared, one instance, global setup
// done; global setdown when it goes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "Host.h"
#include "TestHost.h"

namespace vantrel_test {

struct RenderHost {
  minihost::Host host{modulePath()};
  minihost::EffectInstance* instance = nullptr;
  bool ready = false;

  RenderHost() {
    if (host.paramsSetup() != PF_Err_NONE) return;
    instance = &host.newInstance();
    testing::internal::CaptureStdout();
    ready = host.globalSetup() == PF_Err_NONE;
    testing::internal::GetCapturedStdout();
  }
  ~RenderHost() { host.globalSetdown(); }

  void set(const char* name, const minihost::ParamValue& value) {
    const PF_ParamIndex index = host.findParam(name);
    ASSERT_GE(index, 1) << name;
    instance->set(index, value);
  }
};

// A colourful picture with every alpha, distinct edges and corners, so that mirroring,
// scaling and un-premultiplying all show in the result.
inline minihost::World testPicture(A_long width, A_long height, A_long rowPadding = 0, bool opaque = false) {
  minihost::World world(width, height, rowPadding);
  for (A_long y = 0; y < height; ++y) {
    for (A_long x = 0; x < width; ++x) {
      PF_Pixel& p = world.at(x, y);
      p.red = A_u_char(x * 255 / std::max<A_long>(1, width - 1));
      p.green = A_u_char(y * 255 / std::max<A_long>(1, height - 1));
      p.blue = A_u_char(((x / 7 + y / 5) % 2) ? 230 : 30);
      p.alpha = opaque ? 255 : A_u_char(255 - (x + 2 * y) % 256);
    }
  }
  // Marked corners, each different.
  world.at(0, 0) = PF_Pixel{255, 255, 0, 0};
  world.at(width - 1, 0) = PF_Pixel{255, 0, 255, 0};
  world.at(0, height - 1) = PF_Pixel{255, 0, 0, 255};
  world.at(width - 1, height - 1) = PF_Pixel{255, 255, 255, 255};
  return world;
}

// The pixel bytes of a world, without its row padding.
inline std::vector<std::uint8_t> pixelBytes(const minihost::World& world) {
  std::vector<std::uint8_t> bytes;
  for (A_long y = 0; y < world.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(world.row(y));
    bytes.insert(bytes.end(), row, row + world.width() * 4);
  }
  return bytes;
}

}  // namespace vantrel_test
