// The render lifecycle tests' fixture: a render host with a small scene, a shape with its
// shadow and moved, turned echoes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "RenderHost.h"

namespace vantrel_test {

class RenderLifecycle : public testing::Test {
 protected:
  void SetUp() override {
    if (!fixture.ready) GTEST_SKIP() << "no OpenGL here: " << fixture.host.outData().return_msg;
    fixture.set("Shape Size 1", {20});
    fixture.set("Shape Size 2", {8});
    fixture.set("Shadow Size", {6});
    fixture.set("Position X Offset", {5});
    fixture.set("Rotation Offset", {12});
  }

  PF_Err render(minihost::World& input, minihost::World& output) {
    return fixture.host.render(*fixture.instance, input, output);
  }
  std::vector<std::uint8_t> frame(A_long width, A_long height) {
    minihost::World input = testPicture(width, height);
    minihost::World output(width, height);
    EXPECT_EQ(render(input, output), PF_Err_NONE);
    return pixelBytes(output);
  }

  RenderHost fixture;
};

}  // namespace vantrel_test
